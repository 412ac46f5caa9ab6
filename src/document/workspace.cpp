// The workspace file as a whole: its text made and written atomically, read and handed over.
#include "document/workspace.h"

#include "base/atomic_file.h"
#include "base/progress.h"
#include "document/survey_document.h"
#include "document/workspace_annotations.h"
#include "document/workspace_json.h"
#include "document/workspace_schema.h"

namespace trassel {

using namespace workspace;

std::string WorkspaceText(const SurveyDocument& doc, const std::string& path, const Progress& progress)
{
    std::string text = WorkspaceJson(doc, path, progress).dump(1, '\t');
    text += '\n';
    return text;
}

void SaveWorkspace(const std::string& path, const SurveyDocument& doc, const Progress& progress,
                   ReadOnlyTarget readOnly)
{
    // The text is made first and written in pieces, each a step of the progress; a cancel
    // between them leaves the temporary file to the writer, which removes it.
    const std::string text = WorkspaceText(doc, path, progress);
    AtomicFileWriter writer(path, readOnly);
    constexpr std::size_t kPiece = std::size_t{4} << 20;
    ProgressMeter meter(progress, static_cast<long long>(text.size()), kTextMade, 1.0, 1);
    for (std::size_t at = 0; at < text.size(); at += kPiece) {
        meter.at(static_cast<long long>(at));
        writer.write(std::string_view(text).substr(at, kPiece));
    }
    writer.commit();
    meter.finish();
}

LoadedWorkspace LoadWorkspace(const std::string& path, const Progress& progress)
{
    Reader in(path, progress);
    MarkTaker marks(in);
    ParsedJson parsed;
    {
        // The file's bytes go as soon as they are parsed: a large table is then held twice, not three times.
        ProgressMeter meter(progress, 2, 0.0, kParsed, 1);
        const FileBytes bytes = ReadWholeFile(path);
        meter.at(1);
        parsed = ParseJson(std::string_view(bytes.data.get(), bytes.size), in, &marks);
        meter.finish();
    }
    return DocumentOf(parsed, in, &marks);
}

LoadedWorkspace ReadWorkspace(std::string_view bytes, const std::string& fileName, const Progress& progress)
{
    Reader in(fileName, progress);
    MarkTaker marks(in);
    const ParsedJson parsed = ParseJson(bytes, in, &marks);
    return DocumentOf(parsed, in, &marks);
}

} // namespace trassel
