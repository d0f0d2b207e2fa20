#include "HtmlText.h"

#include <cctype>
#include <cstdlib>

namespace {

std::string Lower(const std::string& text)
{
    std::string out = text;
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// The value of attribute `name` inside one tag's text (between '<' and '>'), "" if absent.
bool TagAttribute(const std::string& tag, const std::string& name, std::string& value)
{
    std::string lower = Lower(tag);
    size_t pos = 0;
    while ((pos = lower.find(name, pos)) != std::string::npos) {
        bool boundary = pos > 0 && (std::isspace(static_cast<unsigned char>(lower[pos - 1])) ||
                                    lower[pos - 1] == '"' || lower[pos - 1] == '\'');
        size_t p = pos + name.size();
        while (p < lower.size() && std::isspace(static_cast<unsigned char>(lower[p])))
            ++p;
        if (!boundary || p >= lower.size() || lower[p] != '=') {
            pos += name.size();
            continue;
        }
        ++p;
        while (p < tag.size() && std::isspace(static_cast<unsigned char>(tag[p])))
            ++p;
        if (p < tag.size() && (tag[p] == '"' || tag[p] == '\'')) {
            char quote = tag[p++];
            size_t end = tag.find(quote, p);
            value = tag.substr(p, end == std::string::npos ? std::string::npos : end - p);
        } else {
            size_t end = p;
            while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) &&
                   tag[end] != '>')
                ++end;
            value = tag.substr(p, end - p);
        }
        return true;
    }
    return false;
}

void AppendEntity(const std::string& entity, std::string& out)
{
    if (entity == "amp") out += '&';
    else if (entity == "lt") out += '<';
    else if (entity == "gt") out += '>';
    else if (entity == "quot") out += '"';
    else if (entity == "apos") out += '\'';
    else if (entity == "nbsp") out += ' ';
    else if (!entity.empty() && entity[0] == '#') {
        long code = entity.size() > 1 && (entity[1] == 'x' || entity[1] == 'X')
                        ? std::strtol(entity.c_str() + 2, nullptr, 16)
                        : std::strtol(entity.c_str() + 1, nullptr, 10);
        // Only ASCII here: the text stays in the page's own encoding.
        out += code > 0 && code < 128 ? static_cast<char>(code) : '?';
    } else {
        out += '&';
        out += entity;
        out += ';';
    }
}

}  // namespace

std::string HtmlToText(const std::string& html)
{
    std::string out;
    size_t i = 0;
    bool space = false;
    while (i < html.size()) {
        char c = html[i];
        if (c == '<') {
            size_t end = html.find('>', i);
            if (end == std::string::npos)
                break;
            std::string tag = Lower(html.substr(i + 1, end - i - 1));
            std::string tagName;
            for (char t : tag) {
                if (std::isspace(static_cast<unsigned char>(t)) || t == '>')
                    break;
                tagName += t;
            }
            i = end + 1;
            if (tagName == "script" || tagName == "style" || tagName == "title") {
                size_t close = Lower(html).find("</" + tagName, i);
                i = close == std::string::npos ? html.size() : html.find('>', close);
                i = i == std::string::npos ? html.size() : i + 1;
                continue;
            }
            static const char* const blocks[] = {"br", "p", "/p", "div", "/div", "h1", "/h1",
                                                 "h2", "/h2", "h3", "/h3", "li", "tr", "/tr",
                                                 "table", "/table", "form", "/form", "hr"};
            for (const char* b : blocks) {
                if (tagName == b) {
                    while (!out.empty() && out.back() == ' ')
                        out.pop_back();
                    if (!out.empty() && out.back() != '\n')
                        out += '\n';
                    space = false;
                    break;
                }
            }
            continue;
        }
        if (c == '&') {
            size_t end = html.find(';', i);
            if (end != std::string::npos && end - i <= 10) {
                if (space)
                    out += ' ';
                AppendEntity(html.substr(i + 1, end - i - 1), out);
                i = end + 1;
                space = false;
                continue;
            }
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != '\n')
                space = true;
            ++i;
            continue;
        }
        if (space) {
            out += ' ';
            space = false;
        }
        out += c;
        ++i;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\n'))
        out.pop_back();
    return out;
}

std::vector<FrameDeclaration> FindFrames(const std::string& html)
{
    std::vector<FrameDeclaration> frames;
    std::string lower = Lower(html);
    size_t pos = 0;
    while ((pos = lower.find('<', pos)) != std::string::npos) {
        size_t end = lower.find('>', pos);
        if (end == std::string::npos)
            break;
        bool iframe = lower.compare(pos + 1, 6, "iframe") == 0;
        bool frame = lower.compare(pos + 1, 5, "frame") == 0;
        size_t nameEnd = pos + 1 + (iframe ? 6 : 5);
        if ((iframe || frame) && nameEnd < lower.size() &&
            (std::isspace(static_cast<unsigned char>(lower[nameEnd])) || lower[nameEnd] == '>')) {
            std::string tag = html.substr(pos + 1, end - pos - 1);
            FrameDeclaration declaration;
            if (TagAttribute(tag, "src", declaration.src) && !declaration.src.empty()) {
                TagAttribute(tag, "name", declaration.name);
                frames.push_back(declaration);
            }
        }
        pos = end + 1;
    }
    return frames;
}

std::string FindCharset(const std::string& contentType, const std::string& html)
{
    for (const std::string& text : {Lower(contentType), Lower(html.substr(0, 4096))}) {
        size_t pos = text.find("charset=");
        if (pos == std::string::npos)
            continue;
        pos += 8;
        while (pos < text.size() && (text[pos] == '"' || text[pos] == '\''))
            ++pos;
        size_t end = pos;
        while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                     text[end] == '-' || text[end] == '_'))
            ++end;
        if (end > pos)
            return text.substr(pos, end - pos);
    }
    return std::string();
}
