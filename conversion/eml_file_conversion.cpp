#include "conversion/eml_file_conversion.h"

#include <io.h>

#include <cwctype>

#include "conversion/run_state.h"
#include "framework/com_error.h"
#include "win32/unique_bstr.h"
#include "win32/unique_variant.h"

namespace mailvane::conversion {

using framework::CString;
using framework::ThrowIfFailed;
using win32::ComRef;
using win32::UniqueBstr;
using win32::UniqueVariant;

namespace {

constexpr int kMsgUnicodeFormat = 9;
constexpr int kImportRfc822 = 1024;

bool IsEmlAt(const CString& name, int at) {
    static constexpr wchar_t kLower[] = L".eml";
    for (int k = 0; k < 4; ++k) {
        if (std::towlower(name[at + k]) != kLower[k]) return false;
    }
    return true;
}

}  // namespace

CString MsgFileNameFor(const CString& sourcePath) {
    const CString name = sourcePath.Mid(sourcePath.ReverseFind(L'\\') + 1);
    CString result;
    int at = 0;
    while (at < name.GetLength()) {
        if (at + 4 <= name.GetLength() && IsEmlAt(name, at)) {
            result += L".msg";
            at += 4;
        } else {
            result += name[at];
            ++at;
        }
    }
    return result;
}

bool ConvertEmlFile(ProgressLink& progress, CString sourcePath, CString destinationFolder) {
    const CString outputPath = destinationFolder + L"\\" + MsgFileNameFor(sourcePath);
    try {
        if (_waccess(sourcePath, 0) != 0) return false;

        UniqueVariant fileFormat = UniqueVariant::FromInt(kMsgUnicodeFormat);
        UniqueVariant messageClass = UniqueVariant::FromString(L"IPM.Note");
        if (!RdoSession) ThrowIfFailed(E_POINTER);
        const UniqueBstr path(outputPath);
        ComRef<IRdoMessage> created;
        ThrowIfFailed(CreateMessageFromMsgFile(RdoSession.Get(), path.Get(), messageClass.Get(), fileFormat.Get(),
                                               created.Put()));
        // The slot holds the only reference; a failed create left it as it was.
        CurrentMessage = std::move(created);
        messageClass.Clear();
        fileFormat.Clear();

        progress.SetStatusText(sourcePath);

        if (!CurrentMessage) return false;
        bool written = false;
        try {
            UniqueVariant type = UniqueVariant::FromInt(kImportRfc822);
            const UniqueBstr source(sourcePath);
            ThrowIfFailed(ImportMessageFile(CurrentMessage.Get(), source.Get(), type.Get()));
            type.Clear();
            ThrowIfFailed(SaveMessage(CurrentMessage.Get()));
            written = true;
        } catch (...) {
            // An import or save that fails is skipped silently.
        }
        CurrentMessage.Reset();
        return written;
    } catch (...) {
        return false;
    }
}

}  // namespace mailvane::conversion
