#pragma once
// The vendor's constants: one source for the engine, the shell and the page
// (the page holds the same texts literally; a test holds them together).

#include <string_view>

#define BQ_WEB_HOST "brindlequay.vn"
#define BQ_API_HOST "api.brindlequay.vn"
#define BQ_PHONE_DISPLAY "0912 345 678"
#define BQ_PHONE_DIGITS "0912345678"

namespace bq::engine {

inline constexpr std::string_view WEB_HOST = BQ_WEB_HOST;
inline constexpr std::string_view API_HOST = BQ_API_HOST;
inline constexpr std::string_view CONTACT_PHONE_DISPLAY = BQ_PHONE_DISPLAY;
inline constexpr std::string_view CONTACT_PHONE_DIGITS = BQ_PHONE_DIGITS;
inline constexpr std::string_view CHAT_LINK = "https://zalo.me/" BQ_PHONE_DIGITS;
inline constexpr std::string_view COMPANY_NAME = "Công ty TNHH Brindle Quay";
inline constexpr std::string_view TAX_CODE = "0319999999";
inline constexpr std::string_view HEADER_SHORT_TITLE = "Kiểm tra Windows 11 Pro";

// The vendor's web origin: scheme and host, no path.
inline constexpr std::string_view WEB_ORIGIN = "https://" BQ_WEB_HOST;
// The vendor's check page; the share link adds its fragment to it.
inline constexpr std::string_view CHECK_PAGE_URL = "https://" BQ_WEB_HOST "/kiem-tra-cau-hinh-windows-11";
// The shop's product pages are this prefix and the product's slug.
inline constexpr std::string_view PRODUCT_URL_PREFIX = "https://" BQ_WEB_HOST "/san-pham/";
// The price list of the page's upgrade tab.
inline constexpr std::string_view PRICE_LIST_URL = "https://" BQ_WEB_HOST "/windows";
inline constexpr std::string_view CONSULTATION_ENDPOINT = "https://" BQ_API_HOST "/api/public/consultation-lead";

}  // namespace bq::engine
