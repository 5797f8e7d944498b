// An ffmpeg that records what it was given: each argument on a line of its own in the file the
// variable TWINLENS_RECORDED names, then a line "--end--"; the file of its last argument is made,
// as an encode's output would be. The shell tests start it in ffmpeg's place.
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const char* record = std::getenv("TWINLENS_RECORDED");
  if (record == nullptr) return 2;
  std::FILE* out = std::fopen(record, "ab");
  if (out == nullptr) return 2;
  for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
  std::fprintf(out, "--end--\n");
  std::fclose(out);
  const char* last = argc > 1 ? argv[argc - 1] : "";
  const std::size_t length = std::strlen(last);
  if (length > 4 && std::strcmp(last + length - 4, ".mkv") == 0) {
    if (std::FILE* made = std::fopen(last, "wb")) std::fclose(made);
  }
  return 0;
}
