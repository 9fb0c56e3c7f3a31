#include "runtime/qt/host_file.h"

#include <QStringList>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "runtime/file_input_host.h"

namespace rt {

HostFileInfo::HostFileInfo(std::string hostPath) : path_(std::move(hostPath)) {
    struct stat st {};
    exists_ = !path_.empty() && ::stat(path_.c_str(), &st) == 0;
    mode_ = exists_ ? st.st_mode : 0;
}

bool HostFileInfo::isDir() const { return exists_ && S_ISDIR(mode_); }
bool HostFileInfo::isFile() const { return exists_ && S_ISREG(mode_); }
bool HostFileInfo::isReadable() const { return exists_ && ::access(path_.c_str(), R_OK) == 0; }

bool HostFileInfo::folderExists() const {
    struct stat st {};
    return ::stat(FolderOf(path_).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

QString HostFileInfo::fileName() const {
    const size_t slash = path_.rfind('/');
    return QFile::decodeName(QByteArray::fromStdString(slash == std::string::npos ? path_ : path_.substr(slash + 1)));
}

QString HostFileInfo::suffix() const {
    const QString name = fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot + 1);
}

bool HostFile::open(OpenMode mode) {
    int flags = O_CLOEXEC;
    if (mode & WriteOnly)
        flags |= ((mode & ReadOnly) ? O_RDWR : O_WRONLY) | O_CREAT | ((mode & Append) ? O_APPEND : O_TRUNC);
    else
        flags |= O_RDONLY;
    const int fd = ::open(hostPath_.c_str(), flags, 0666);
    if (fd < 0) {
        setErrorString(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!QFile::open(fd, mode, AutoCloseHandle)) {
        ::close(fd);
        return false;
    }
    return true;
}

std::string FolderOf(const std::string& hostPath) {
    const size_t slash = hostPath.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : hostPath.substr(0, slash);
}

namespace {

// The one entry of the folder whose name reads as the text; empty when none or several do.
std::string EntryReading(const std::string& folder, const QString& text) {
    DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!dir) return {};
    std::string found;
    int matches = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (QFile::decodeName(entry->d_name) == text) {
            found = entry->d_name;
            ++matches;
        }
    }
    ::closedir(dir);
    return matches == 1 ? found : std::string();
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::string HostBytesOf(const QString& path) {
    const std::string plain = QFile::encodeName(path).toStdString();
    if (!path.contains(QChar::ReplacementCharacter) || Exists(plain)) return plain;
    const QStringList parts = path.split(u'/');
    std::string out = QFile::encodeName(parts.first()).toStdString();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const std::string folder = out.empty() ? (path.startsWith(u'/') ? "/" : ".") : out;
        std::string next = out + '/' + QFile::encodeName(parts[i]).toStdString();
        if (parts[i].contains(QChar::ReplacementCharacter) && !Exists(next)) {
            const std::string entry = EntryReading(folder, parts[i]);
            if (!entry.empty()) next = out + '/' + entry;
        }
        out = std::move(next);
    }
    return out;
}

// Linux names files in bytes: the host path is the path.
std::filesystem::path FileSystemPath(const std::string& hostPath) { return std::filesystem::path(hostPath); }

std::FILE* OpenBytes(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }

bool SeekFile(std::FILE* file, int64_t offset) { return ::fseeko(file, off_t(offset), SEEK_SET) == 0; }

// Transparent huge pages for the whole 2 MB pages inside the block.
void PreferLargePages(void* data, size_t bytes) {
    constexpr uintptr_t kLargePage = uintptr_t(2) << 20;
    const auto from = (reinterpret_cast<uintptr_t>(data) + kLargePage - 1) & ~(kLargePage - 1);
    const auto to = (reinterpret_cast<uintptr_t>(data) + bytes) & ~(kLargePage - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

}  // namespace rt
