#include "component/output_path_choice.h"

#include "component/compound_file_signature.h"
#include "component/error_info.h"
#include "component/path_parts.h"

namespace mailvane::component {
namespace {

// Far past any real run; it only keeps a pathological folder from looping.
constexpr unsigned kMostNumberedVariants = 10000;

OutputPathChoice Refused(HRESULT result, std::wstring description) {
    return OutputPathChoice{result, {}, false, std::move(description)};
}

}  // namespace

OutputPathChoice ChooseOutputPath(const std::wstring& path, const SaveLedger& ledger,
                                  const std::optional<filing::FileIdentity>& source) {
    for (unsigned number = 1; number <= kMostNumberedVariants; ++number) {
        std::wstring candidate = number == 1 ? path : NumberedVariant(path, number);
        const DWORD attributes = GetFileAttributesW(candidate.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) {
                return OutputPathChoice{S_OK, std::move(candidate), false, {}};
            }
            return Refused(HRESULT_FROM_WIN32(error), Described(L"Cannot save to \"" + candidate + L"\"", error));
        }
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            return Refused(HRESULT_FROM_WIN32(ERROR_ALREADY_EXISTS),
                           L"Cannot save to \"" + candidate + L"\": a folder has that name.");
        }
        const auto existing = IdentityOf(candidate);
        if (existing && ledger.Holds(*existing)) {
            continue;
        }
        if (existing && source && *existing == *source) {
            return Refused(HRESULT_FROM_WIN32(ERROR_INVALID_PARAMETER),
                           L"Cannot save to \"" + candidate + L"\": it is the source file of this message.");
        }
        if (!FileHasCompoundFileSignature(candidate)) {
            return Refused(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
                           L"Cannot save to \"" + candidate +
                               L"\": a file that is not a message file already has that name; it is left as it is.");
        }
        return OutputPathChoice{S_OK, std::move(candidate), true, {}};
    }
    return Refused(HRESULT_FROM_WIN32(ERROR_FILE_EXISTS),
                   L"Cannot save to \"" + path + L"\": every numbered variant of the name is taken.");
}

}  // namespace mailvane::component
