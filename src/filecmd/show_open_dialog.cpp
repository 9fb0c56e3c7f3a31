#include "filecmd/show_open_dialog.h"

#include "runtime/application.h"
#include "platform/get_open_file_name.h"

namespace {

constexpr int32_t kRecordSize = 76;
constexpr int32_t kBufferSize = 250;
constexpr int32_t kFlags = platform::OFN_FILEMUSTEXIST | platform::OFN_PATHMUSTEXIST | platform::OFN_HIDEREADONLY;

}  // namespace

std::u16string ShowOpenDialog(int32_t hwndOwner, const std::u16string& filter) {
    platform::OPENFILENAME record;
    record.lStructSize = kRecordSize;
    record.hwndOwner = hwndOwner;
    record.hInstance = rt::App().hInstance();
    record.lpstrFilter = filter;
    record.lpstrFile = std::u16string(kBufferSize, u'\0');
    record.nMaxFile = kBufferSize;
    record.lpstrFileTitle = std::u16string(kBufferSize, u'\0');
    record.nMaxFileTitle = kBufferSize;
    record.lpstrTitle = u"ファイルを開く";
    record.Flags = kFlags;
    if (platform::GetOpenFileNameA(record) == 0) return {};
    // The whole buffer as converted back: the path, then NULs.
    return record.lpstrFile;
}
