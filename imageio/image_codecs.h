#pragma once
// Per-format readers and writers behind image_file.h. Readers receive the file
// already recognised by its magic bytes; writers write to a fresh temporary
// file whose path they are given, and name `shownPath` in their messages.
#include <cstdio>
#include <string>
#include <vector>

#include "imageio/image_file.h"

namespace kestrano {

GreyImage readTiff(const std::string& path, std::vector<std::string>& warnings);
GreyImage readPng(const std::string& path, std::FILE* file, std::vector<std::string>& warnings);
GreyImage readPgm(const std::string& path, std::FILE* file);

void writeTiff(const std::string& tempPath, const std::string& shownPath, const GreyImage& image);
void writePng(const std::string& tempPath, const std::string& shownPath, const GreyImage& image);
void writePgm(const std::string& tempPath, const std::string& shownPath, const GreyImage& image);

}  // namespace kestrano
