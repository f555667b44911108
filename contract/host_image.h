#pragma once
// The host's image record. The host lays it out; the plug-in reads the fields
// at the offsets checked below and writes only the pixels behind `voxels`.
#include <cstddef>
#include <cstdint>

#include "core/param_list.h"

struct HostImage {
    std::int32_t rows = 0;              // number of rows processed
    std::int32_t cols = 0;              // values per row
    std::int32_t depth = 0;             // third extent, carried along only
    std::int32_t reserved0 = 0;
    std::int32_t* position = nullptr;   // x, y, z
    void* auxPointer = nullptr;         // host data, never dereferenced
    unsigned char reserved1[32] = {};
    std::uint16_t* voxels = nullptr;    // rows * cols values, row after row
    unsigned char reserved2[16] = {};
    kestrano::ParamList parameters;              // the host's own run parameters
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(offsetof(HostImage, rows) == 0, "HostImage.rows must sit at offset 0");
static_assert(offsetof(HostImage, cols) == 4, "HostImage.cols must sit at offset 4");
static_assert(offsetof(HostImage, depth) == 8, "HostImage.depth must sit at offset 8");
static_assert(offsetof(HostImage, position) == 16, "HostImage.position must sit at offset 16");
static_assert(offsetof(HostImage, auxPointer) == 24, "HostImage.auxPointer must sit at offset 24");
static_assert(offsetof(HostImage, voxels) == 64, "HostImage.voxels must sit at offset 64");
static_assert(offsetof(HostImage, parameters) == 88, "HostImage.parameters must sit at offset 88");
#pragma GCC diagnostic pop
