// The main of a fuzz target in an ordinary build: every file under the folders named on the
// command line goes through the target's entry point once, as libFuzzer hands it one input.
// The test suite replays the kept corpus and every input that once made a target fail; a
// crash or a sanitizer report fails the test. A folder that does not exist holds nothing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "TempDir.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code error;
    for (fs::recursive_directory_iterator it(argv[i], error), end; !error && it != end;
         it.increment(error)) {
      if (!it->is_regular_file()) continue;
      const std::string content = testsupport::readFile(it->path().string());
      // Never a null pointer, not even for an empty input, as with libFuzzer.
      LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(content.data()), content.size());
      ++replayed;
    }
  }
  std::fprintf(stderr, "replayed %zu inputs\n", replayed);
  return replayed > 0 ? 0 : 1;
}
