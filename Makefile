# The commands everyone uses. `make test` is what CI runs.
BUILD ?= build
GENERATOR ?= Ninja
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: all deps configure build run screenshots screenshots-windows install test test-windows windows-package bench fuzz clean format

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -G $(GENERATOR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Builds and starts the window.
run: build
	$(BUILD)/src/ui/twinlens

# Renders the window on each tab and the About box to $(BUILD)/screenshots/, for review.
# The window, its preview and its encoding window as PNG files in $(BUILD)/screenshots/; small
# copies of those the docs show go into docs/images/.
DOC_PICTURES := 1-input-settings 5-geometry 8-preview-output 10-encoding 12-preview-headset \
  13-preview-playing
screenshots: build
	@scripts/install-deps scripts/deps-screenshots
	cmake --build $(BUILD) --target twinlens-screenshots
	QT_QPA_PLATFORM=offscreen $(BUILD)/src/ui/twinlens-screenshots $(BUILD)/screenshots
	mkdir -p docs/images
	for f in $(DOC_PICTURES); do \
	  convert $(BUILD)/screenshots/$$f.png -resize 70% -strip -colors 32 PNG8:docs/images/$$f.png; done

# Installs the window, the command line, the desktop entry and the icon (PREFIX=/usr/local).
install: build
	cmake --install $(BUILD) $(if $(PREFIX),--prefix $(PREFIX))

test: build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The core, twinlens-cli, the Win32 window and their tests built for Windows with mingw-w64 and
# run under Wine, on a virtual display for the window.
test-windows:
	@scripts/install-deps scripts/deps-windows
	cmake -S . -B $(BUILD)-windows -G $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DTWINLENS_BUILD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-windows -j $(JOBS)
	TWINLENS_WINEPREFIX=$(CURDIR)/$(BUILD)-windows/wineprefix xvfb-run -a -s "-screen 0 1280x1024x24" \
	  ctest --test-dir $(BUILD)-windows --output-on-failure

# twinlens-<version>-windows-x64.zip in $(BUILD)-windows: the window, the command line, the default
# presets and a README.
windows-package:
	@scripts/install-deps scripts/deps-windows
	cmake -S . -B $(BUILD)-windows -G $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DTWINLENS_BUILD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-windows -j $(JOBS) --target windows-package
	@ls $(BUILD)-windows/twinlens-*-windows-x64.zip

# Renders the Win32 window on each tab and the About box under Wine on a virtual display, to
# $(BUILD)-windows/screenshots/ as PNG files.
screenshots-windows:
	@scripts/install-deps scripts/deps-windows
	@scripts/install-deps scripts/deps-screenshots-windows
	cmake -S . -B $(BUILD)-windows -G $(GENERATOR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
	  -DCMAKE_BUILD_TYPE=Release -DTWINLENS_BUILD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-windows -j $(JOBS) --target twinlens-screenshots
	mkdir -p $(BUILD)-windows/screenshots
	ffmpeg -v error -y -f lavfi -i testsrc2=s=640x360 -frames:v 1 -pix_fmt bgr24 \
	  $(BUILD)-windows/screenshots/preview-picture.bmp
	cd $(BUILD)-windows/screenshots && TWINLENS_WINEPREFIX=$(CURDIR)/$(BUILD)-windows/wineprefix \
	  xvfb-run -a -s "-screen 0 1280x1024x24" $(CURDIR)/scripts/wine-run ../src/win32/twinlens-screenshots.exe
	cd $(BUILD)-windows/screenshots && rm -f preview-picture.bmp && \
	  for f in *.bmp; do convert "$$f" "$${f%.bmp}.png" && rm "$$f"; done
	@ls $(BUILD)-windows/screenshots

bench: deps
	@scripts/install-deps scripts/deps-bench
	cmake -S . -B $(BUILD)-bench -G $(GENERATOR) -DCMAKE_BUILD_TYPE=Release -DTWINLENS_BUILD_BENCH=ON \
	  -DTWINLENS_BUILD_TESTS=OFF -DTWINLENS_BUILD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-bench -j $(JOBS)
	@for b in $(BUILD)-bench/bench/*_bench; do echo "== $$b"; $$b; done

# The libFuzzer targets under AddressSanitizer and UndefinedBehaviorSanitizer, each for a bounded
# time. New inputs found go to $(BUILD)-fuzz/corpus; the seeds in tests/fuzz/corpus stay as they are.
FUZZ_SECONDS ?= 60
FUZZERS = ini_text settings_file settings_round_trip deshaker ffprobe_report analysis_input shell_words
fuzz: deps
	cmake -S . -B $(BUILD)-fuzz -G $(GENERATOR) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTWINLENS_BUILD_FUZZ=ON -DTWINLENS_SANITIZE=ON -DTWINLENS_BUILD_TESTS=OFF -DTWINLENS_BUILD_GUI=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target $(addprefix twinlens_fuzz_,$(FUZZERS))
	@set -e; scratch=$$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d); \
	trap 'rm -rf "$$scratch"' EXIT; \
	for f in $(FUZZERS); do \
	  echo "== fuzzing $$f for $(FUZZ_SECONDS) s"; \
	  mkdir -p $(BUILD)-fuzz/corpus/$$f; \
	  TMPDIR="$$scratch" $(BUILD)-fuzz/tests/fuzz/twinlens_fuzz_$$f -max_total_time=$(FUZZ_SECONDS) \
	    -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	    $(BUILD)-fuzz/corpus/$$f tests/fuzz/corpus/$$f; \
	done

format:
	git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format -i

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-fuzz $(BUILD)-windows
