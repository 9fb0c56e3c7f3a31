#include "runtime/drop_data.h"

#include "runtime/errors.h"
#include "runtime/strings.h"

namespace rt {

std::u16string DataObject::FileList::operator()(int32_t i) const {
    if (i < 1 || i > Count()) Raise(ErrInvalidPropertyValue, u"no file number " + Str(i) + u" in the drop");
    return paths_[static_cast<size_t>(i - 1)];
}

DataObject DataObject::WithFiles(std::vector<std::u16string> windowsPaths) {
    DataObject data;
    data.hasFiles_ = true;
    data.files_.paths_ = std::move(windowsPaths);
    return data;
}

}  // namespace rt
