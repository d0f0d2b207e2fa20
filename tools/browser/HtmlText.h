// Just enough HTML for a stand-in browser: the visible text of a page and the frames it declares.
#pragma once
#include <string>
#include <vector>

struct FrameDeclaration {
    std::string src;   // as written in the page (may be relative)
    std::string name;
};

// Tags removed, script and style bodies dropped, a few entities decoded; block tags end lines.
std::string HtmlToText(const std::string& html);
// Every <iframe src=...> and <frame src=...>, in page order.
std::vector<FrameDeclaration> FindFrames(const std::string& html);
// The charset named in a Content-Type value or a <meta> of the page, lower case ("" if none).
std::string FindCharset(const std::string& contentType, const std::string& html);
