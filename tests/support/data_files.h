// data_files.h — the build's data folder (MW_DATA_DIR) and the source folder
// (MW_SOURCE_DIR), both set for every test executable, and reading files from them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A file of the data folder, or the folder itself for an empty name.
inline std::string DataPath(const std::string &name = "")
{
    const char *dir = std::getenv("MW_DATA_DIR");
    return std::string(dir ? dir : "") + "/" + name;
}

inline std::string SourcePath(const std::string &name)
{
    const char *dir = std::getenv("MW_SOURCE_DIR");
    return std::string(dir ? dir : "") + "/" + name;
}

// The bytes of a file of the data folder; empty when it is missing.
inline std::vector<uint8_t> ReadData(const std::string &name)
{
    std::ifstream in(DataPath(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
