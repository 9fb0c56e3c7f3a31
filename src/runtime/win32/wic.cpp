#include "runtime/win32/wic.h"

#include <ole2.h>

#include <cstdio>

#include "runtime/win32/peers.h"

namespace rt::win32 {

IWICImagingFactory* Imaging() {
    static ComPtr<IWICImagingFactory> factory = [] {
        OleInitialize(nullptr);  // once per thread; the window classes' start does the same
        ComPtr<IWICImagingFactory> made;
        CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&made));
        return made;
    }();
    return factory.Get();
}

std::u16string Reason(HRESULT result) {
    switch (result) {
    case WINCODEC_ERR_BADHEADER: return u"its header is damaged";
    case WINCODEC_ERR_BADIMAGE: return u"the picture data is damaged";
    case WINCODEC_ERR_BADSTREAMDATA: return u"the picture data is damaged";
    case WINCODEC_ERR_FRAMEMISSING: return u"it holds no picture";
    case WINCODEC_ERR_UNKNOWNIMAGEFORMAT:
    case WINCODEC_ERR_COMPONENTNOTFOUND: return u"no codec of this system reads or writes it";
    case WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT: return u"its pixel format is not supported";
    case E_OUTOFMEMORY: return u"not enough memory";
    default: break;
    }
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(result));
    return u"the system's picture codec failed with error " + std::u16string(code, code + std::char_traits<char>::length(code));
}

std::u16string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = n && text ? std::wstring(text, n) : L"error " + std::to_wstring(error);
    if (text) LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' || message.back() == L'.' ||
                                message.back() == L' '))
        message.pop_back();
    return Utf16(message);
}

}  // namespace rt::win32
