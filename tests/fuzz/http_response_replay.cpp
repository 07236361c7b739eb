// Feeds saved inputs (files, or every file in a folder) to the response
// reader's fuzz target once each, without libFuzzer: the native builds, the
// 32-bit one among them, replay the seed corpus and any saved crash inputs
// through the same checks. A crash or a sanitizer report ends the run; the
// last "replay" line names the input.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool Replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::printf("replay %s (%zu bytes)\n", file.c_str(), bytes.size());
  std::fflush(stdout);
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s file-or-folder...\n", argv[0]);
    return 2;
  }
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path path = argv[i];
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) {
      std::vector<std::filesystem::path> files;
      for (const auto& entry : std::filesystem::directory_iterator(path, error))
        if (entry.is_regular_file()) files.push_back(entry.path());
      if (error) {
        std::fprintf(stderr, "cannot list %s: %s\n", path.c_str(), error.message().c_str());
        return 1;
      }
      if (files.empty()) {
        std::fprintf(stderr, "%s holds no inputs\n", path.c_str());
        return 1;
      }
      for (const auto& file : files) {
        if (!Replay(file)) return 1;
        ++replayed;
      }
    } else {
      if (!Replay(path)) return 1;
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed without a fault\n", replayed);
  return 0;
}
