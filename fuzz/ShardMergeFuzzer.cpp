// mergeDataset over an arbitrary shard recording: the merge reads files other machines wrote, so
// no metadata may crash it, make it write past a buffer, or let it merge what it cannot check.
// The input is the metadata of shard 0 of 1; its samples file holds as many bytes as the input's
// last two bytes say. A merge either writes the collection or gives a short printable reason.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "dataset/DatasetMerge.h"

using quorvel::fuzzing::printable;
using quorvel::fuzzing::require;

namespace {

const std::filesystem::path& folder() {
    static const std::filesystem::path made = [] {
        char name[] = "/tmp/quorvel-merge-fuzz-XXXXXX";
        require(::mkdtemp(name) != nullptr, "a temporary folder can be made");
        return std::filesystem::path(name);
    }();
    return made;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path& dir = folder();
    std::size_t dataBytes = 0;
    if (size >= 2) {
        dataBytes = static_cast<std::size_t>(data[size - 2]) * 256 + data[size - 1];
        size -= 2;
    }
    std::ofstream(dir / "dataset.shard-0-of-1.sigmf-meta", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    std::ofstream(dir / "dataset.shard-0-of-1.sigmf-data", std::ios::binary | std::ios::trunc)
        << std::string(dataBytes, '\0');
    std::filesystem::remove(dir / "dataset.sigmf-collection");
    const quorvel::MergeResult result = quorvel::mergeDataset(dir.string());
    const std::string said = result.problem + result.failure;
    if (said.empty()) {
        require(std::filesystem::exists(dir / "dataset.sigmf-collection"), "a merge without a problem writes");
        return 0;
    }
    require(printable(said), "the reason is one line without control characters");
    require(said.size() < 4096, "the reason is short whatever the input");
    require(!std::filesystem::exists(dir / "dataset.sigmf-collection"), "a refused merge writes nothing");
    return 0;
}
