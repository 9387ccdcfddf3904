#pragma once
// Values of an HDF5 file read by the library itself rather than by the program's own reader.

#include <hdf5.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

namespace quorvel::testing_support {

// Every value of a dataset; none where the file or the dataset is missing.
template <typename T>
std::vector<T> hdf5Values(const std::string& file, const std::string& name) {
    static_assert(std::is_same_v<T, double> || std::is_same_v<T, std::int64_t>);
    std::vector<T> values;
    const hid_t f = H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    if (f < 0) {
        return values;
    }
    const hid_t d = H5Lexists(f, name.c_str(), H5P_DEFAULT) > 0 ? H5Dopen2(f, name.c_str(), H5P_DEFAULT) : -1;
    if (d >= 0) {
        const hid_t space = H5Dget_space(d);
        values.resize(static_cast<std::size_t>(H5Sget_simple_extent_npoints(space)));
        H5Dread(d, std::is_same_v<T, double> ? H5T_NATIVE_DOUBLE : H5T_NATIVE_INT64, H5S_ALL, H5S_ALL, H5P_DEFAULT,
                values.data());
        H5Sclose(space);
        H5Dclose(d);
    }
    H5Fclose(f);
    return values;
}

// Row `row` of a dataset file's X (samples x 2 little-endian float32) as the bytes a cf32 file of
// that capture holds.
inline std::string hdf5XRow(const std::string& file, std::uint64_t row, std::uint64_t samples) {
    std::string bytes(samples * 8, '\0');
    const hid_t f = H5Fopen(file.c_str(), H5F_ACC_RDONLY, H5P_DEFAULT);
    const hid_t x = H5Dopen2(f, "X", H5P_DEFAULT);
    const hid_t space = H5Dget_space(x);
    const hsize_t start[3] = {row, 0, 0}, count[3] = {1, samples, 2};
    H5Sselect_hyperslab(space, H5S_SELECT_SET, start, nullptr, count, nullptr);
    const hid_t memory = H5Screate_simple(3, count, nullptr);
    H5Dread(x, H5T_IEEE_F32LE, memory, space, H5P_DEFAULT, bytes.data());
    H5Sclose(memory);
    H5Sclose(space);
    H5Dclose(x);
    H5Fclose(f);
    return bytes;
}

}  // namespace quorvel::testing_support
