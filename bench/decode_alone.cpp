// libjpeg-turbo alone in a process of its own: reads the file named, decodes it into a new buffer of
// 32-bit pixels and prints the steady clock's reading when done, as the viewer's probe does at its frame.
#include "desktop/Owned.h"

#include <turbojpeg.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 2)
        return 2;
    std::ifstream file(argv[1], std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), {});
    const desktop::Owned<void, tjDestroy> decoder(tjInitDecompress());
    int width = 0, height = 0, subsampling = 0, colourspace = 0;
    if (tjDecompressHeader3(decoder.get(), bytes.data(), bytes.size(), &width, &height, &subsampling,
                            &colourspace) != 0)
        return 1;
    const auto pixels = std::make_unique_for_overwrite<unsigned char[]>(size_t(width) * size_t(height) * 4);
    if (tjDecompress2(decoder.get(), bytes.data(), bytes.size(), pixels.get(), width, 0, height, TJPF_BGRX,
                      0) != 0)
        return 1;
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("first-frame %lld\n",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()));
    return 0;
}
