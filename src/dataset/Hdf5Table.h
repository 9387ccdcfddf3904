#pragma once
// A table of rows whose count is known only at the end, as a group of equal-length columns (one
// extensible dataset each, int64 or float64), written a chunk of rows at a time: memory stays at
// one chunk, and the file's bytes depend on the rows alone, never on how they were handed over.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "dataset/Hdf5Objects.h"
#include "dataset/SceneLabels.h"

namespace quorvel {

class Hdf5TableWriter {
  public:
    Hdf5TableWriter() = default;
    // The group `name` under parent, with these columns.
    Hdf5TableWriter(hid_t parent, const char* name, std::vector<BoxColumn> columns);

    // Rows of columns().size() values each.
    void append(std::span<const double> rows);
    // Writes what is buffered and closes the columns.
    void finish();

    std::size_t width() const { return columns_.size(); }

  private:
    void flush();

    std::vector<BoxColumn> columns_;
    std::vector<hdf5::Handle> datasets_;
    std::vector<double> buffer_;  // rows waiting, row by row
    std::uint64_t written_ = 0;
};

// Reads such a table back a chunk at a time, in row order.
class Hdf5TableReader {
  public:
    Hdf5TableReader() = default;
    // The table `name` under parent, refused unless its columns are exactly these (std::runtime_error).
    Hdf5TableReader(hid_t parent, const char* name, const std::vector<BoxColumn>& columns);

    std::uint64_t rows() const { return rows_; }
    // The next row's values into out (width values); false after the last row.
    bool next(std::vector<double>& out);

  private:
    std::vector<BoxColumn> columns_;
    std::vector<hdf5::Handle> datasets_;
    std::vector<std::vector<double>> chunk_;
    std::uint64_t rows_ = 0, read_ = 0, handed_ = 0;
};

}  // namespace quorvel
