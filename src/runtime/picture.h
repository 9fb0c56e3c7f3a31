// Pictures: what LoadPicture reads and SavePicture writes; a cheap shared value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rt {

class Picture {
public:
    Picture() = default;  // the empty picture
    bool Empty() const { return !data_; }
    int PixelWidth() const;   // backend
    int PixelHeight() const;  // backend
    bool operator==(const Picture& other) const { return data_ == other.data_; }

    struct Data;  // the decoded pixels, defined by the backend
    explicit Picture(std::shared_ptr<const Data> data) : data_(std::move(data)) {}
    const Data* data() const { return data_.get(); }

private:
    std::shared_ptr<const Data> data_;
};

// The empty picture, which clears a picture box.
Picture LoadPicture();
// Reads the picture in the file at a Windows-form path; raises a run-time error
// naming the file and the reason when it cannot (backend).
Picture LoadPicture(const std::u16string& path);
// Writes the picture to a Windows-form path in the format its extension names (backend).
void SavePicture(const Picture& picture, const std::u16string& path);

}  // namespace rt
