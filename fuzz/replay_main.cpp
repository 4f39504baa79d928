// Runs a fuzz target once over every file of the directories given, without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);

int main(int argc, char** argv) {
  int Inputs = 0;
  for (int i = 1; i < argc; ++i) {
    std::error_code Ec;
    if (!std::filesystem::is_directory(argv[i], Ec)) continue;
    for (const auto& Entry : std::filesystem::directory_iterator(argv[i])) {
      if (!Entry.is_regular_file()) continue;
      std::ifstream In(Entry.path(), std::ios::binary);
      std::vector<char> Bytes((std::istreambuf_iterator<char>(In)),
                              std::istreambuf_iterator<char>());
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size());
      ++Inputs;
    }
  }
  std::printf("replayed %d inputs\n", Inputs);
  return 0;
}
