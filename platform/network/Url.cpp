#include "platform/network/Url.h"

#include <curl/curl.h>

#include <cerrno>
#include <memory>

namespace platform::network {
namespace {

struct UrlHandleDeleter {
    void operator()(CURLU* handle) const { curl_url_cleanup(handle); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlHandleDeleter>;

std::string part(CURLU* handle, CURLUPart which) {
    char* text = nullptr;
    if (curl_url_get(handle, which, &text, 0) != CURLUE_OK || text == nullptr) return {};
    std::string result(text);
    curl_free(text);
    return result;
}

}  // namespace

Url::Url(std::string text, std::string scheme, std::string host)
    : text_(std::move(text)), scheme_(std::move(scheme)), host_(std::move(host)) {}

platform::Result<Url> Url::parse(std::string_view text) {
    UrlHandle handle(curl_url());
    if (!handle) return platform::fail("no memory to parse a URL", ENOMEM);
    const std::string input(text);
    if (input.find('\0') != std::string::npos) return platform::fail("a URL holds no NUL byte");
    // No scheme guessing: a text without one is not a URL.
    const CURLUcode set = curl_url_set(handle.get(), CURLUPART_URL, input.c_str(), CURLU_NON_SUPPORT_SCHEME);
    if (set != CURLUE_OK) return platform::fail("\"" + input + "\" is no URL: " + curl_url_strerror(set));
    std::string normalised = part(handle.get(), CURLUPART_URL);
    if (normalised.empty()) return platform::fail("\"" + input + "\" is no URL");
    return Url(std::move(normalised), part(handle.get(), CURLUPART_SCHEME), part(handle.get(), CURLUPART_HOST));
}

}  // namespace platform::network
