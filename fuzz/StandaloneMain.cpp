// Runs a fuzz target over the files given on the command line (seed corpora
// and crash reproducers), so every build checks them without libFuzzer.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

namespace {
int runFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    return 1;
}
} // namespace

int main(int argc, char **argv)
{
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto &entry : std::filesystem::recursive_directory_iterator(path, error))
                if (entry.is_regular_file())
                    inputs += runFile(entry.path());
        } else if (std::filesystem::is_regular_file(path, error)) {
            inputs += runFile(path);
        }
    }
    // Also the edge cases no corpus file holds.
    LLVMFuzzerTestOneInput(nullptr, 0);
    std::printf("ran %d inputs\n", inputs);
    return 0;
}
