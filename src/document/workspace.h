#pragma once
// The workspace file (".trassel"): a whole interpretation in one JSON file, so that work
// survives a restart and the batch renderer can draw what the window drew. Reading builds a
// document of its own and hands it over only when the whole file was read, so a damaged file
// never touches the work in the window.
#include "base/atomic_file.h"
#include "base/progress.h"
#include "drawing/canvas.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace trassel {

class SurveyDocument;
class DrawingRecord;
class RecordingCanvas;

// The latest version of the format; a file of a later version is refused. Version 2 lets a
// layer's fill be a soil hatch (fill ordinals from 8 on), which the programs of version 1 refuse
// as damage: a project is written as version 2 only when a layer has a hatch, and as version 1
// otherwise, so the programs before it open it as ever.
inline constexpr int kWorkspaceVersion = 2;

// One annotation step of the section (a soil label, a pen or eraser stroke): its operations in
// order, each with the state it was drawn in.
struct WorkspaceMark {
    enum class Kind { Line, Text, FillRect };
    Kind kind = Kind::Line;
    PenState pen;
    BrushState brush;
    FontState font;
    Point a; // line start, text top-left, rectangle top-left
    Point b; // line end, rectangle bottom-right (excluded)
    std::string text;
    bool operator==(const WorkspaceMark&) const = default;
};
struct WorkspaceAnnotation {
    std::string name; // the undo step's name: "Подпись грунта", "Карандаш", "Ластик"
    std::vector<WorkspaceMark> marks;
    bool operator==(const WorkspaceAnnotation&) const = default;
};

// Writes the document to `path` atomically (temporary file beside it, flushed, renamed): the
// whole interpretation and nothing else. Throws Error with the file's name and the reason. A
// save cancelled through `progress` leaves a former file of that name as it was. A read-only
// file is replaced only with ReadOnlyTarget::Overwrite (the user agreed).
void SaveWorkspace(const std::string& path, const SurveyDocument& doc, const Progress& progress = {},
                   ReadOnlyTarget readOnly = ReadOnlyTarget::Refuse);

// Reads a workspace. Throws Error with a Russian message for a file that cannot be read, is not
// a workspace, is damaged or truncated, or is of a later version; nothing else changes.
// The document read is a store (its pictures do not follow) until SurveyDocument::takeOver puts
// it in place; the radargram's path comes back absolute.
struct LoadedWorkspace {
    std::unique_ptr<SurveyDocument> document;
};
LoadedWorkspace LoadWorkspace(const std::string& path, const Progress& progress = {});

// The same two steps on bytes in memory: the text SaveWorkspace writes for a file at `path`
// (the radargram's path is stored relative to it when beside it), and reading a text already
// read from the file `fileName` (which the messages name).
std::string WorkspaceText(const SurveyDocument& doc, const std::string& path, const Progress& progress = {});
LoadedWorkspace ReadWorkspace(std::string_view bytes, const std::string& fileName, const Progress& progress = {});

// The annotation steps of a section record (its groups other than 0 that are not hidden), and
// drawing them back onto a canvas, each as a group of its own numbered from `firstGroup`.
std::vector<WorkspaceAnnotation> AnnotationsOf(const DrawingRecord& record);
void DrawAnnotations(const std::vector<WorkspaceAnnotation>& annotations, RecordingCanvas& canvas,
                     std::uint32_t firstGroup);

// The radargram's path as stored (relative when the picture lies in the workspace's folder or
// below it) and back to an absolute path.
std::string StoredPicturePath(const std::string& workspacePath, const std::string& picturePath);
std::string ResolvedPicturePath(const std::string& workspacePath, const std::string& storedPath);

} // namespace trassel
