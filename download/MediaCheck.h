#pragma once
// Whether a finished media transfer holds a video. A server can answer a media request with something else
// under a success status: an empty body, an HTML error page, garbage. Such an answer is a failed attempt,
// never a saved video: the body must not be empty, must not be HTML (by its type or its first bytes), and
// the engine's probe must read it as media with at least one audio or video stream.

#include <QString>
#include <string>

namespace download {

// Why the file at path is no media (a text for the log), or an empty text when it is. contentType is the
// answer's Content-Type. Without the media libraries (start-up could not load them) the probe is left out
// and the other checks still apply.
QString WhyNotMedia(const QString& path, const std::string& contentType);

}  // namespace download
