// The data of a drop, as the drop handlers ask it: does it carry a file list, and which files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rt {

// The clipboard format number of a list of files.
constexpr int vbCFFiles = 15;

class DataObject {
public:
    class FileList {
    public:
        int32_t Count() const { return static_cast<int32_t>(paths_.size()); }
        // The i-th path, counted from 1, in Windows form.
        std::u16string operator()(int32_t i) const;

    private:
        friend class DataObject;
        std::vector<std::u16string> paths_;
    };

    DataObject() = default;
    // A drop that carries a list of local files (possibly empty).
    static DataObject WithFiles(std::vector<std::u16string> windowsPaths);

    bool GetFormat(int format) const { return format == vbCFFiles && hasFiles_; }
    const FileList& Files() const { return files_; }

private:
    bool hasFiles_ = false;
    FileList files_;
};

}  // namespace rt
