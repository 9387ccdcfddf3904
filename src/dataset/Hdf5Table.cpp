#include "dataset/Hdf5Table.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

using hdf5::Handle;

constexpr hsize_t kTableChunkRows = 4096;

Handle columnSpace(hsize_t rows, hsize_t maxRows) {
    return Handle(H5Screate_simple(1, &rows, &maxRows), H5Sclose, "create a column's space");
}

// Rows [first, first + count) of one column, written from or read into values.
template <bool Write>
void transferColumn(hid_t dataset, bool integer, hsize_t first, hsize_t count, double* values) {
    const Handle fileSpace(H5Dget_space(dataset), H5Sclose, "get a column's space");
    hdf5::check(H5Sselect_hyperslab(fileSpace, H5S_SELECT_SET, &first, nullptr, &count, nullptr), "select a column's rows");
    const Handle memory = columnSpace(count, count);
    if (!integer) {
        if constexpr (Write) {
            hdf5::check(H5Dwrite(dataset, H5T_NATIVE_DOUBLE, memory, fileSpace, H5P_DEFAULT, values), "write a column");
        } else {
            hdf5::check(H5Dread(dataset, H5T_NATIVE_DOUBLE, memory, fileSpace, H5P_DEFAULT, values), "read a column");
        }
        return;
    }
    std::vector<std::int64_t> whole(count);
    if constexpr (Write) {
        std::transform(values, values + count, whole.begin(), [](double v) { return static_cast<std::int64_t>(v); });
        hdf5::check(H5Dwrite(dataset, H5T_NATIVE_INT64, memory, fileSpace, H5P_DEFAULT, whole.data()), "write a column");
    } else {
        hdf5::check(H5Dread(dataset, H5T_NATIVE_INT64, memory, fileSpace, H5P_DEFAULT, whole.data()), "read a column");
        std::transform(whole.begin(), whole.end(), values, [](std::int64_t v) { return static_cast<double>(v); });
    }
}

}  // namespace

Hdf5TableWriter::Hdf5TableWriter(hid_t parent, const char* name, std::vector<BoxColumn> columns)
    : columns_(std::move(columns)) {
    const Handle groupList = hdf5::groupCreation();
    const Handle group(H5Gcreate2(parent, name, H5P_DEFAULT, groupList, H5P_DEFAULT), H5Gclose, "create a table");
    const Handle space = columnSpace(0, H5S_UNLIMITED);
    const Handle creation = hdf5::datasetCreation({kTableChunkRows});
    for (const BoxColumn& c : columns_) {
        datasets_.emplace_back(H5Dcreate2(group, c.name.c_str(), c.integer ? H5T_STD_I64LE : H5T_IEEE_F64LE, space,
                                          H5P_DEFAULT, creation, H5P_DEFAULT),
                               H5Dclose, "create a table column");
    }
    buffer_.reserve(kTableChunkRows * columns_.size());
}

void Hdf5TableWriter::append(std::span<const double> rows) {
    const std::size_t chunkValues = kTableChunkRows * columns_.size();
    while (!rows.empty()) {
        const std::size_t take = std::min(rows.size(), chunkValues - buffer_.size());
        buffer_.insert(buffer_.end(), rows.begin(), rows.begin() + static_cast<std::ptrdiff_t>(take));
        rows = rows.subspan(take);
        if (buffer_.size() == chunkValues) {
            flush();
        }
    }
}

void Hdf5TableWriter::flush() {
    const std::size_t width = columns_.size();
    const hsize_t count = width == 0 ? 0 : buffer_.size() / width;
    if (count == 0) {
        return;
    }
    const hsize_t extent = written_ + count;
    std::vector<double> column(count);
    for (std::size_t c = 0; c < width; ++c) {
        hdf5::check(H5Dset_extent(datasets_[c], &extent), "extend a table column");
        for (hsize_t r = 0; r < count; ++r) {
            column[r] = buffer_[r * width + c];
        }
        transferColumn<true>(datasets_[c], columns_[c].integer, written_, count, column.data());
    }
    written_ = extent;
    buffer_.clear();
}

void Hdf5TableWriter::finish() {
    flush();
    for (Handle& d : datasets_) {
        d.close();
    }
}

Hdf5TableReader::Hdf5TableReader(hid_t parent, const char* name, const std::vector<BoxColumn>& columns) {
    const Handle group(H5Gopen2(parent, name, H5P_DEFAULT), H5Gclose, "open a table");
    H5G_info_t info{};
    hdf5::check(H5Gget_info(group, &info), "read a table's columns");
    if (info.nlinks != columns.size()) {
        throw std::runtime_error(std::string(name) + " has other columns than its recipe gives");
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        datasets_.emplace_back(H5Dopen2(group, columns[c].name.c_str(), H5P_DEFAULT), H5Dclose, "open a table column");
        const Handle space(H5Dget_space(datasets_.back()), H5Sclose, "get a column's space");
        hsize_t rows = 0;
        if (H5Sget_simple_extent_ndims(space) != 1 || H5Sget_simple_extent_dims(space, &rows, nullptr) != 1 ||
            (c > 0 && rows != rows_)) {
            throw std::runtime_error(std::string(name) + "/" + columns[c].name + " is not a column of the table's length");
        }
        rows_ = rows;
    }
    chunk_.assign(columns.size(), {});
    for (std::size_t c = 0; c < columns.size(); ++c) {
        chunk_[c].reserve(kTableChunkRows);
    }
    columns_ = columns;
}

bool Hdf5TableReader::next(std::vector<double>& out) {
    if (handed_ == rows_) {
        return false;
    }
    if (handed_ == read_) {
        const hsize_t count = std::min<std::uint64_t>(kTableChunkRows, rows_ - read_);
        for (std::size_t c = 0; c < datasets_.size(); ++c) {
            chunk_[c].resize(count);
            transferColumn<false>(datasets_[c], columns_[c].integer, read_, count, chunk_[c].data());
        }
        read_ += count;
    }
    const std::size_t row = static_cast<std::size_t>(handed_ - (read_ - chunk_.front().size()));
    out.resize(datasets_.size());
    for (std::size_t c = 0; c < datasets_.size(); ++c) {
        out[c] = chunk_[c][row];
    }
    ++handed_;
    return true;
}

}  // namespace quorvel
