#include "web_service.h"

#include "text_codec.h"
#include "verdict.h"
#include "web_pages.h"

#include <cstring>

namespace {

const char* StatusText(int status)
{
    switch (status) {
    case 200: return "OK";
    case 400: return "Bad Request";
    case 404: return "Not Found";
    case 405: return "Method Not Allowed";
    case 411: return "Length Required";
    case 413: return "Payload Too Large";
    case 414: return "URI Too Long";
    case 431: return "Request Header Fields Too Large";
    case 500: return "Internal Server Error";
    case 501: return "Not Implemented";
    default: return "Error";
    }
}

HttpResponse Html(int status, std::string body)
{
    HttpResponse r;
    r.status = status;
    r.body = std::move(body);
    return r;
}

// The form of a verdict page: the posted body, or the query of a GET.
std::string FormText(const HttpRequest& request)
{
    return request.method == "POST" ? request.body : request.query;
}

const Notice* FindNotice(const StoreSnapshot& snapshot, const HttpRequest& request, Notice* out)
{
    int number = 0;
    if (request.path == "/notice/view") {
        auto form = ParseForm(request.query);
        auto it = form.find("no");
        if (it != form.end())
            number = std::atoi(it->second.c_str());
    }
    for (const SvcNotice& n : snapshot.notices) {
        std::string link(n.content, strnlen(n.content, sizeof(n.content)));
        bool byLink = number == 0 && link.size() >= request.path.size() &&
                      link.compare(link.size() - request.path.size(), request.path.size(), request.path) == 0;
        if ((number != 0 && n.notice_no == number) || byLink) {
            out->number = n.notice_no;
            out->kind = n.notice_kind;
            out->title = Cp949ToUtf8(n.title);
            out->link = Cp949ToUtf8(link);
            out->date = n.extra1;
            out->extra2 = Cp949ToUtf8(n.extra2);
            out->endDate = n.extra4;
            return out;
        }
    }
    return nullptr;
}

} // namespace

HttpResponse RouteWebRequest(const WebContext& context, const HttpRequest& request, bool upgradePort)
{
    const std::string& m = request.method;
    if (m != "GET" && m != "HEAD" && m != "POST") {
        HttpResponse r = Html(405, RenderErrorPage(405, ""));
        r.allow = "GET, HEAD, POST";
        return r;
    }
    const std::string& path = request.path;
    if (upgradePort) {
        if (path != "/toolbar/Upgrade.ini")
            return Html(404, RenderErrorPage(404, ""));
        HttpResponse r;
        r.contentType = "text/plain; charset=euc-kr"; // read by the toolbar in the ANSI code page
        r.body = Utf8ToCp949(RenderUpgradeIni(*context.config));
        return r;
    }

    struct VerdictRoute
    {
        const char* path;
        VerdictPage page;
        bool light;
    };
    static const VerdictRoute kVerdictPages[] = {
        {"/sitepopup/sitepopup.orvx", VerdictPage::SiteDetails, false},
        {"/sitepopup/sitepopup_light.orvx", VerdictPage::SiteDetails, true},
        {"/sitepopup/sitepopup_block.orvx", VerdictPage::Block, false},
        {"/sitepopup/sitepopup_block_light.orvx", VerdictPage::Block, true},
        {"/sitepopup/malbotcode.orvx", VerdictPage::MaliciousBot, false},
    };
    for (const VerdictRoute& v : kVerdictPages)
        if (path == v.path)
            return Html(200, RenderVerdictPage(v.page, v.light, ParseVerdictForm(FormText(request))));

    if (path == "/common/site_redirection.jsp") {
        auto form = ParseForm(FormText(request));
        auto it = form.find("keyword");
        std::string keyword = it == form.end() ? std::string() : BrowserTextToUtf8(it->second);
        std::string host = NormaliseHost(keyword);
        auto snapshot = context.snapshots->Get();
        const SiteRule* rule = nullptr;
        if (!host.empty()) {
            rule = snapshot->rules.Find("http://" + host + "/", host);
            if (rule && rule->exact)
                rule = nullptr;
        }
        return Html(200, RenderCertificationPage(keyword, rule));
    }
    if (path == "/common/toolbar_stat_upgrade.jsp") {
        int64_t count = 0;
        if (!context.countUpgrade || !context.countUpgrade(&count))
            return Html(500, RenderErrorPage(500, "통계를 기록하지 못했습니다."));
        return Html(200, RenderUpgradeStatPage(count));
    }
    if (path == "/toolbar/Upgrade.ini")
        return RouteWebRequest(context, request, true);
    if (path.compare(0, 8, "/notice/") == 0) {
        Notice notice;
        auto snapshot = context.snapshots->Get();
        const Notice* found = FindNotice(*snapshot, request, &notice);
        return Html(found ? 200 : 404, RenderNoticePage(found));
    }
    struct StaticRoute
    {
        const char* path;
        const char* name;
    };
    static const StaticRoute kStatic[] = {
        {"/", "home"}, {"/index.html", "home"}, {"/qna.html", "qna"}, {"/help.html", "help"},
        {"/howto/autoupdate.html", "howto"}, {"/service/counsel.html", "counsel"},
        {"/service/remote.html", "remote"}, {"/service/video.html", "video"},
    };
    for (const StaticRoute& s : kStatic)
        if (path == s.path)
            return Html(200, RenderStaticPage(s.name, context.config->webHost));
    return Html(404, RenderErrorPage(404, ""));
}

std::string SerialiseResponse(const HttpResponse& r, bool headOnly)
{
    std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + StatusText(r.status) + "\r\n";
    head += "Content-Type: " + r.contentType + "\r\n";
    head += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
    head += "Connection: close\r\nCache-Control: no-store\r\nX-Content-Type-Options: nosniff\r\n"
            "Content-Security-Policy: default-src 'none'; style-src 'unsafe-inline'\r\n";
    if (!r.allow.empty())
        head += "Allow: " + r.allow + "\r\n";
    head += "\r\n";
    if (!headOnly)
        head += r.body;
    return head;
}

namespace {

class WebHandler : public ConnectionHandler
{
public:
    WebHandler(const WebContext* context, bool upgradePort) : context_(context), upgradePort_(upgradePort) {}

    State OnData(const uint8_t* data, size_t length) override
    {
        switch (parser_.Feed(reinterpret_cast<const char*>(data), length)) {
        case HttpRequestParser::Result::NeedMore:
            return State::NeedMore;
        case HttpRequestParser::Result::Bad:
            status_ = parser_.ErrorStatus();
            reply_ = SerialiseResponse(Html(status_, RenderErrorPage(status_, parser_.Error())), false);
            return State::Reply;
        case HttpRequestParser::Result::Complete:
            break;
        }
        const HttpRequest& request = parser_.Request();
        HttpResponse response = RouteWebRequest(*context_, request, upgradePort_);
        status_ = response.status;
        reply_ = SerialiseResponse(response, request.method == "HEAD");
        return State::Reply;
    }
    bool Fill(std::string& out, size_t) override
    {
        out += reply_;
        reply_.clear();
        return true;
    }
    std::string Summary() const override
    {
        const HttpRequest& r = parser_.Request();
        std::string target = r.target.substr(0, 200);
        for (char& c : target)
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F || c == ' ')
                c = '?';
        return (r.method.empty() ? std::string("-") : r.method.substr(0, 10)) + " " +
               (target.empty() ? "-" : target) + " status=" + std::to_string(status_);
    }
    std::string Failure() const override { return parser_.Error(); }

private:
    const WebContext* context_;
    bool upgradePort_;
    HttpRequestParser parser_;
    std::string reply_;
    int status_ = 0;
};

} // namespace

TcpService MakeWebService(const WebContext* context, bool upgradePort)
{
    TcpService service;
    service.name = upgradePort ? "upgrade" : "web";
    service.create = [context, upgradePort]() -> std::unique_ptr<ConnectionHandler> {
        return std::make_unique<WebHandler>(context, upgradePort);
    };
    return service;
}
