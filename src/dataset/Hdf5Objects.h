#pragma once
// HDF5's C interface in small pieces: handles closed by their owner, failures as exceptions, and
// the creation settings that make a file's bytes depend on its contents alone.

#include <hdf5.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::hdf5 {

// An identifier and the function that closes it.
class Handle {
public:
    Handle() = default;
    Handle(hid_t id, herr_t (*closer)(hid_t), const char* what);
    Handle(Handle&& other) noexcept : id_(std::exchange(other.id_, H5I_INVALID_HID)), close_(other.close_) {}
    Handle& operator=(Handle&& other) noexcept;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    hid_t get() const { return id_; }
    operator hid_t() const { return id_; }  // NOLINT: handed to the C calls as it is

    // Closes now; throws when the library reports a failure (a write it had deferred).
    void close();

private:
    void reset();

    hid_t id_ = H5I_INVALID_HID;
    herr_t (*close_)(hid_t) = nullptr;
};

// Throws std::runtime_error naming `what` when status is negative.
void check(herr_t status, const char* what);

// Stops the library printing its error stack: failures reach the caller as exceptions.
void silenceErrors();

// The property lists of every object: no access or modification times and a fixed file format,
// so that equal calls write equal bytes.
Handle fileAccess();
Handle fileCreation();
Handle groupCreation();
// With checksum, every chunk is stored with its Fletcher-32 sum, which the library checks on
// every read.
Handle datasetCreation(const std::vector<hsize_t>& chunk, bool checksum = false);

// Whether the dataset's chunks carry Fletcher-32 sums.
bool hasChecksum(hid_t dataset);

// Whether the library's last failure was a chunk whose Fletcher-32 sum did not match its bytes.
bool failedChecksum();

// A fixed-length string type of `size` bytes (at least 1), NUL-padded.
Handle stringType(std::size_t size);

void writeAttribute(hid_t object, const char* name, const std::string& value);
void writeAttribute(hid_t object, const char* name, std::uint64_t value);
void writeAttribute(hid_t object, const char* name, double value);

std::string readStringAttribute(hid_t object, const char* name);
std::uint64_t readUnsignedAttribute(hid_t object, const char* name);

// A scalar dataset holding text as one fixed-length string.
void writeText(hid_t parent, const char* name, const std::string& text);
std::string readText(hid_t parent, const char* name);

}  // namespace quorvel::hdf5
