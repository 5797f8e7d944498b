# One interface target carries the language standard, the warnings and the sanitizer flags
# of every target of ours (third-party code never sees them).
add_library(twinlens_options INTERFACE)
target_compile_features(twinlens_options INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)

if(MSVC)
  target_compile_options(twinlens_options INTERFACE /W4 /WX)
else()
  target_compile_options(twinlens_options INTERFACE -Wall -Wextra -Wpedantic -Werror)
endif()

if(TWINLENS_SANITIZE)
  target_compile_options(twinlens_options INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  target_compile_definitions(twinlens_options INTERFACE _GLIBCXX_ASSERTIONS)
  target_link_options(twinlens_options INTERFACE -fsanitize=address,undefined)
endif()
