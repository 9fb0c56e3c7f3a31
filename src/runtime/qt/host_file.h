// Files named by host paths in bytes. Qt names files with text and cannot reach every
// file the system allows (a name that is not UTF-8 reads with U+FFFD and names no
// file), so these reach them by their bytes.
#pragma once

#include <QFile>
#include <QString>
#include <string>

namespace rt {

// What a host path names, symbolic links followed, in QFileInfo's words.
class HostFileInfo {
public:
    explicit HostFileInfo(std::string hostPath);
    bool exists() const { return exists_; }
    bool isDir() const;
    bool isFile() const;  // a plain file
    bool isReadable() const;
    bool folderExists() const;  // the folder the path's last name would be in
    QString fileName() const;   // the last name as text, for telling formats apart
    QString suffix() const;

private:
    std::string path_;
    bool exists_ = false;
    unsigned mode_ = 0;
};

// A QFile opened by the bytes of a host path. A failed open leaves the system's
// reason in errorString().
class HostFile : public QFile {
public:
    HostFile() = default;
    explicit HostFile(std::string hostPath) : hostPath_(std::move(hostPath)) {}
    void setHostPath(std::string hostPath) { hostPath_ = std::move(hostPath); }
    bool open(OpenMode mode) override;

private:
    std::string hostPath_;
};

// The folder part of a host path ("." for a bare name).
std::string FolderOf(const std::string& hostPath);

// A path the toolkit gives as text (a dialog's choice) in host bytes. Where the text
// cannot name the file (its name is not UTF-8), each such part of the path is the one
// entry of its folder that reads the same.
std::string HostBytesOf(const QString& path);

}  // namespace rt
