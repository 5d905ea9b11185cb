// Saves of a few files, seen through inotify.
//
// Editors save in different ways: some write the file in place, others write a new file and
// rename it over the old one (which gives it a new inode). So the watcher watches the folders
// that hold the files, and a watched path counts as saved whenever a file of that name in that
// folder is closed after writing or moved in. pollWatcher never blocks; a file saved several
// times between two polls is reported once.
#pragma once
#include <string>
#include <vector>

struct FileWatcher;

// A watcher with nothing watched yet; null after one log line when inotify cannot be had.
FileWatcher* openWatcher();

// Watches `path` (a file that need not exist yet, in a folder that must). 0 on success, 1 after
// one log line naming the folder.
int watchFile(FileWatcher* watcher, const char* path);

// Appends the watched paths saved since the last poll to `saved`, each once, in the order they
// were watched; returns how many were appended.
int pollWatcher(FileWatcher* watcher, std::vector<std::string>* saved);

// Stops watching and frees the watcher; null is allowed.
void closeWatcher(FileWatcher* watcher);
