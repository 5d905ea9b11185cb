// Temporary demo folders: a private copy of the built demo folder (binary, assets, tracks) that a
// test may damage, removed when the object goes away; and whole files read and written for tests.
#pragma once
#include <string>

// The file's bytes; empty when it cannot be read.
std::string readFileBytes(const std::string& path);

// Replaces the file with the given bytes (its folder must exist); false when it cannot be written.
bool writeFileBytes(const std::string& path, const std::string& bytes);

struct TempDemoFolder {
    std::string path;
    TempDemoFolder();  // copies the built demo folder
    ~TempDemoFolder(); // removes it
    TempDemoFolder(const TempDemoFolder&) = delete;
    TempDemoFolder& operator=(const TempDemoFolder&) = delete;

    std::string file(const std::string& relative) const { return path + "/" + relative; }
    // Replaces a file with the given bytes (creating folders as needed).
    void write(const std::string& relative, const std::string& bytes) const;
    void remove(const std::string& relative) const;
    std::string binary() const { return file("brumelt"); }
};

// A fresh empty folder under /tmp, removed with the object.
struct TempFolder {
    std::string path;
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::string file(const std::string& relative) const { return path + "/" + relative; }
};
