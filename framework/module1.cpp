#include "framework/module1.h"

namespace tessivra::Module1 {

ErrorOr<std::int32_t> ShellExecuteA(Runtime& runtime, Shell& shell, std::int32_t hwnd,
                                    std::u16string_view lpOperation, std::u16string_view lpFile,
                                    std::u16string_view lpParameters,
                                    std::u16string_view lpDirectory, std::int32_t nShowCmd) {
    // Converted in parameter order, each a call that can fail on its own.
    auto operation = TRY(runtime.StrConvFromUnicode(lpOperation));
    auto file = TRY(runtime.StrConvFromUnicode(lpFile));
    auto parameters = TRY(runtime.StrConvFromUnicode(lpParameters));
    auto directory = TRY(runtime.StrConvFromUnicode(lpDirectory));
    return shell.ShellExecuteA(hwnd, operation, file, parameters, directory, nShowCmd);
}

} // namespace tessivra::Module1
