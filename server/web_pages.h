// The pages of the product web server, as UTF-8 HTML. Every text that comes from a request or
// from the store passes through HtmlEscape before it reaches a page.
#pragma once

#include "http_request.h"
#include "store_data.h"

#include <cstdint>
#include <string>

std::string HtmlEscape(const std::string& text);

enum class VerdictPage
{
    SiteDetails,      // sitepopup.orvx, sitepopup_light.orvx
    Block,            // sitepopup_block.orvx, sitepopup_block_light.orvx
    MaliciousBot,     // malbotcode.orvx
};

// A posted verdict form rendered: what was found, and for the block page why the site was
// blocked. `light` selects the light skin's colours.
std::string RenderVerdictPage(VerdictPage page, bool light, const VerdictForm& form);

// The certification search: `found` null when the store has no rule for the host.
std::string RenderCertificationPage(const std::string& keyword, const SiteRule* found);
std::string RenderUpgradeStatPage(int64_t count);
std::string RenderNoticePage(const Notice* notice);
// The fixed pages: "home", "qna", "help", "howto", "counsel", "remote", "video".
std::string RenderStaticPage(const std::string& name, const std::string& webHost);
std::string RenderErrorPage(int status, const std::string& detail);

// The findings of a verdict form, one Korean sentence each (empty when nothing was found).
struct Finding
{
    const char* title;
    const char* explanation;
};
int CollectFindings(const VerdictForm& form, Finding* out, int capacity);
