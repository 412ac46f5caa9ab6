// The workspace reader: any bytes are either refused with one of its messages or read into a
// document that, written again and read again, gives the same text.
#include "document/survey_document.h"
#include "document/workspace.h"
#include "fuzz_support.h"

#include <cstdint>
#include <cstdio>
#include <string>

using namespace trassel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LoadedWorkspace loaded;
    try {
        loaded = ReadWorkspace(bytes, "f");
    } catch (const Error& e) {
        const std::string message = e.what();
        fuzz::Check(message.rfind("Файл проекта «f» ", 0) == 0 || message == "Файл «f» не является проектом Trassel.",
                    "a refusal names the file");
        return 0;
    }
    fuzz::Check(loaded.document != nullptr, "a document is read");
    // Load, save, load and save again: the two saved texts are the same bytes.
    const std::string text = WorkspaceText(*loaded.document, "f");
    LoadedWorkspace again;
    try {
        again = ReadWorkspace(text, "f");
    } catch (const Error& e) {
        std::fprintf(stderr, "%s\n", e.what());
        fuzz::Fail("a project written reads again");
    }
    fuzz::Check(WorkspaceText(*again.document, "f") == text, "written and read again, the same text");
    return 0;
}
