#include "watcher.h"

#include "base/log.h"

#include <cerrno>
#include <cstring>
#include <sys/inotify.h>
#include <unistd.h>

struct WatchedFile {
    std::string path;
    int folderWatch;      // inotify watch descriptor of the folder
    std::string baseName; // the name inside that folder
    bool saved;
};

struct FileWatcher {
    int fd;
    std::vector<WatchedFile> files;
};

static const uint32_t saveEvents = IN_CLOSE_WRITE | IN_MOVED_TO;

FileWatcher* openWatcher() {
    const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) {
        logMessage("watch", "cannot start inotify: %s", std::strerror(errno));
        return nullptr;
    }
    return new FileWatcher{fd, {}};
}

int watchFile(FileWatcher* watcher, const char* path) {
    const std::string p = path;
    const size_t slash = p.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : p.substr(0, slash);
    const std::string base = slash == std::string::npos ? p : p.substr(slash + 1);
    // Watching a folder twice gives back the same descriptor, so files of one folder share it.
    const int wd = inotify_add_watch(watcher->fd, folder.c_str(), saveEvents | IN_ONLYDIR);
    if (wd < 0) {
        logMessage("watch", "%s: cannot watch the folder: %s", folder.c_str(),
                   std::strerror(errno));
        return 1;
    }
    watcher->files.push_back({p, wd, base, false});
    return 0;
}

int pollWatcher(FileWatcher* watcher, std::vector<std::string>* saved) {
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t n = read(watcher->fd, buffer, sizeof buffer);
        if (n <= 0) break; // EAGAIN: nothing more queued
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            const inotify_event* e = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + e->len;
            if (!(e->mask & saveEvents) || e->len == 0) continue;
            for (WatchedFile& f : watcher->files)
                if (f.folderWatch == e->wd && f.baseName == e->name) f.saved = true;
        }
    }
    int count = 0;
    for (WatchedFile& f : watcher->files) {
        if (!f.saved) continue;
        f.saved = false;
        saved->push_back(f.path);
        ++count;
    }
    return count;
}

void closeWatcher(FileWatcher* watcher) {
    if (!watcher) return;
    close(watcher->fd);
    delete watcher;
}
