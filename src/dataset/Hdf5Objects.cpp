#include "dataset/Hdf5Objects.h"

#include <string_view>

namespace quorvel::hdf5 {

Handle::Handle(hid_t id, herr_t (*closer)(hid_t), const char* what) : id_(id), close_(closer) {
    if (id < 0) {
        throw std::runtime_error(std::string("HDF5 could not ") + what);
    }
}

Handle& Handle::operator=(Handle&& other) noexcept {
    reset();
    id_ = std::exchange(other.id_, H5I_INVALID_HID);
    close_ = other.close_;
    return *this;
}

void Handle::reset() {
    if (id_ >= 0) {
        close_(id_);
        id_ = H5I_INVALID_HID;
    }
}

void Handle::close() {
    if (id_ >= 0) {
        const herr_t status = close_(std::exchange(id_, H5I_INVALID_HID));
        check(status, "close an object");
    }
}

void check(herr_t status, const char* what) {
    if (status < 0) {
        throw std::runtime_error(std::string("HDF5 could not ") + what);
    }
}

void silenceErrors() {
    // A file whose close failed (a full disk) stays in the library's tables, and its shutdown at
    // exit would close it again and crash. Every file of ours is closed, or abandoned with its
    // temporary name, before then, so the shutdown has nothing to do. It must be asked for before
    // the library starts; once it has, the call fails harmlessly.
    static const bool noShutdown = H5dont_atexit() >= 0;
    static_cast<void>(noShutdown);
    H5Eset_auto2(H5E_DEFAULT, nullptr, nullptr);
}

Handle fileAccess() {
    Handle list(H5Pcreate(H5P_FILE_ACCESS), H5Pclose, "create a property list");
    // The 1.8 format: every reader of the last fifteen years opens it, and its layout is fixed.
    check(H5Pset_libver_bounds(list, H5F_LIBVER_V18, H5F_LIBVER_V18), "set the format bounds");
    return list;
}

Handle fileCreation() {
    // The root group's object header is made with the file, from this list.
    Handle list(H5Pcreate(H5P_FILE_CREATE), H5Pclose, "create a property list");
    check(H5Pset_obj_track_times(list, false), "turn off the times");
    return list;
}

Handle groupCreation() {
    Handle list(H5Pcreate(H5P_GROUP_CREATE), H5Pclose, "create a property list");
    check(H5Pset_obj_track_times(list, false), "turn off the times");
    return list;
}

Handle datasetCreation(const std::vector<hsize_t>& chunk, bool checksum) {
    Handle list(H5Pcreate(H5P_DATASET_CREATE), H5Pclose, "create a property list");
    check(H5Pset_obj_track_times(list, false), "turn off the times");
    if (!chunk.empty()) {
        check(H5Pset_chunk(list, static_cast<int>(chunk.size()), chunk.data()), "set the chunks");
    }
    if (checksum) {
        check(H5Pset_fletcher32(list), "add the Fletcher-32 checksum");
    }
    return list;
}

bool hasChecksum(hid_t dataset) {
    const Handle list(H5Dget_create_plist(dataset), H5Pclose, "read a dataset's creation settings");
    unsigned flags = 0;
    std::size_t values = 0;
    unsigned config = 0;
    return H5Pget_filter_by_id2(list, H5Z_FILTER_FLETCHER32, &flags, &values, nullptr, 0, nullptr, &config) >= 0;
}

namespace {

// The library names the failed sum only in the description of one of its error records.
herr_t findChecksumRecord(unsigned, const H5E_error2_t* record, void* found) {
    if (record->desc != nullptr && std::string_view(record->desc).find("Fletcher32") != std::string_view::npos) {
        *static_cast<bool*>(found) = true;
    }
    return 0;
}

}  // namespace

bool failedChecksum() {
    bool found = false;
    H5Ewalk2(H5E_DEFAULT, H5E_WALK_DOWNWARD, findChecksumRecord, &found);
    return found;
}

Handle stringType(std::size_t size) {
    Handle type(H5Tcopy(H5T_C_S1), H5Tclose, "copy the string type");
    check(H5Tset_size(type, size == 0 ? 1 : size), "size a string type");
    check(H5Tset_strpad(type, H5T_STR_NULLPAD), "pad a string type");
    check(H5Tset_cset(type, H5T_CSET_UTF8), "mark a string type UTF-8");
    return type;
}

namespace {

Handle scalarSpace() {
    return Handle(H5Screate(H5S_SCALAR), H5Sclose, "create a scalar space");
}

void writeScalarAttribute(hid_t object, const char* name, hid_t fileType, hid_t memoryType, const void* value) {
    const Handle space = scalarSpace();
    const Handle attribute(H5Acreate2(object, name, fileType, space, H5P_DEFAULT, H5P_DEFAULT), H5Aclose,
                           "create an attribute");
    check(H5Awrite(attribute, memoryType, value), "write an attribute");
}

}  // namespace

void writeAttribute(hid_t object, const char* name, const std::string& value) {
    const Handle type = stringType(value.size());
    writeScalarAttribute(object, name, type, type, value.data());
}

void writeAttribute(hid_t object, const char* name, std::uint64_t value) {
    writeScalarAttribute(object, name, H5T_STD_U64LE, H5T_NATIVE_UINT64, &value);
}

void writeAttribute(hid_t object, const char* name, double value) {
    writeScalarAttribute(object, name, H5T_IEEE_F64LE, H5T_NATIVE_DOUBLE, &value);
}

std::string readStringAttribute(hid_t object, const char* name) {
    const Handle attribute(H5Aopen(object, name, H5P_DEFAULT), H5Aclose, "open an attribute");
    const Handle type(H5Aget_type(attribute), H5Tclose, "read an attribute's type");
    if (H5Tget_class(type) != H5T_STRING || H5Tis_variable_str(type) > 0) {
        throw std::runtime_error(std::string("the attribute ") + name + " is not a fixed-length string");
    }
    std::string value(H5Tget_size(type), '\0');
    check(H5Aread(attribute, type, value.data()), "read an attribute");
    return value.substr(0, value.find('\0'));
}

std::uint64_t readUnsignedAttribute(hid_t object, const char* name) {
    const Handle attribute(H5Aopen(object, name, H5P_DEFAULT), H5Aclose, "open an attribute");
    std::uint64_t value = 0;
    check(H5Aread(attribute, H5T_NATIVE_UINT64, &value), "read an attribute");
    return value;
}

void writeText(hid_t parent, const char* name, const std::string& text) {
    const Handle type = stringType(text.size());
    const Handle space = scalarSpace();
    const Handle creation = datasetCreation({});
    const Handle dataset(H5Dcreate2(parent, name, type, space, H5P_DEFAULT, creation, H5P_DEFAULT), H5Dclose,
                         "create a text dataset");
    check(H5Dwrite(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, text.data()), "write a text dataset");
}

std::string readText(hid_t parent, const char* name) {
    const Handle dataset(H5Dopen2(parent, name, H5P_DEFAULT), H5Dclose, "open a text dataset");
    const Handle type(H5Dget_type(dataset), H5Tclose, "read a dataset's type");
    if (H5Tget_class(type) != H5T_STRING || H5Tis_variable_str(type) > 0) {
        throw std::runtime_error(std::string(name) + " is not a fixed-length string");
    }
    std::string text(H5Tget_size(type), '\0');
    check(H5Dread(dataset, type, H5S_ALL, H5S_ALL, H5P_DEFAULT, text.data()), "read a text dataset");
    return text.substr(0, text.find('\0'));
}

}  // namespace quorvel::hdf5
