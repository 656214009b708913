#pragma once
// Background pictures are decoded in a helper process of their own (tallyfold-picture): the metafile
// players are C libraries never hardened for hostile files, and a crash, an endless loop or a huge
// allocation in them must cost the user that one picture, never the window. The helper reads the file,
// renders it to pixels and hands them back through a pipe, under a CPU time and an address-space limit;
// the window waits for it at most PictureDeadlineMs.
#include "picture/Picture.h"

#include <QImage>
#include <QString>

namespace tf {

// Sanitizer builds run the helper many times slower and need the room their shadow memory takes.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool PictureHelperSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool PictureHelperSanitized = true;
#else
constexpr bool PictureHelperSanitized = false;
#endif
#else
constexpr bool PictureHelperSanitized = false;
#endif

// How long the window waits for one picture, the helper's processor time and its address space. Under the
// sanitizers the deadline stays below the picture fuzz target's time per input (30 s), so that a wait that
// does not end there is a fault of the caller's side.
constexpr int PictureDeadlineMs = PictureHelperSanitized ? 20000 : 2000;
constexpr int PictureCpuSeconds = PictureHelperSanitized ? 20 : 2;
constexpr int PictureMemoryMB = 1024;

enum class PictureEnd { Decoded, Refused, Crashed, CpuLimit, MemoryLimit, Deadline, NotStarted };

struct PictureOutcome {
    PictureEnd end = PictureEnd::NotStarted;
    QImage image;    // when Decoded
    QString message; // otherwise: the refusal as the user reads it, naming the cause
};

// The helper: the one set by SetPictureHelperPath, else "tallyfold-picture" beside the executable (the
// build tree), else in libexec/tallyfold/ reached from the executable's folder (the installed layout).
QString PictureHelperPath();
// Tests and benchmarks name the helper of their build tree; an empty path restores the search.
void SetPictureHelperPath(const QString &path);

// Decodes a picture file in the helper. A file that is not regular is refused before the helper starts.
PictureOutcome DecodePictureInHelper(const QString &fileName, const PictureWait &wait = {});

// The helper's side: decodes the file named by argv[1] and writes the reply to its standard output.
// Returns the exit code.
int RunPictureHelper(int argc, char **argv);

} // namespace tf
