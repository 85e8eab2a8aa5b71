#include "engine/products.hpp"

#include <array>

#include "engine/vendor.hpp"

namespace bq::engine {
namespace {

// A catalogue row without its url, which is built from the slug so that the
// shop's host has one source.
struct CatalogueRow {
  std::string_view slug;
  std::string_view group;
  std::string_view badge;
  std::string_view name;
  std::string_view price;
  std::string_view reason;
};

using ProductList = std::array<CatalogueRow, 4>;

constexpr ProductList WINDOWS_11_LIST = {{
    {"windows-11-pro-online-download-fqc-10572", "Windows", "Bán chạy nhất",
     "Windows 11 Pro Online Download (FQC-10572)", "1.160.000đ",
     "Tối ưu nhất cho máy đạt chuẩn: kích hoạt thẳng Windows 11 Pro không mất dữ liệu, xuất VAT đầy đủ."},
    {"windows-10-11-home-pro-fpp-usb-fullbox", "Windows", "FPP Hộp + USB · Chuyển máy",
     "Windows 10/11 Home/Pro - FPP USB Fullbox", "2.650.000đ",
     "Hộp vật lý nguyên seal kèm USB cài đặt chính hãng, cho phép chuyển bản quyền sang máy mới khi đổi thiết bị."},
    {"office-home-business-2024-online-esd", "Office", "Office đời mới nhất", "Office 2024 Home & Business ESD",
     "3.500.000đ",
     "Bộ Office vĩnh viễn mới nhất (Word, Excel, PowerPoint, Outlook) tối ưu hiệu năng cho Windows 11 Pro."},
    {"office-2021-pro-plus-no-box", "Office", "Combo tiết kiệm", "Office 2021 Pro Plus - Key điện tử", "2.200.000đ",
     "Giải pháp Office vĩnh viễn tiết kiệm chi phí, phù hợp mua kèm Windows 11 Pro cho văn phòng & cá nhân."},
}};

constexpr ProductList WINDOWS_10_LIST = {{
    {"windows-10-11-home-pro-dvd-fullbox", "Windows", "Ổn định cho máy hiện tại",
     "Windows 10/11 Home/Pro - OEM DVD Fullbox", "1.250.000đ",
     "Kích hoạt bản quyền Windows 10 Pro ổn định ngay trên cấu hình hiện tại, xuất hóa đơn VAT từ 1 máy."},
    {"windows-10-11-home-pro-fpp-no-box", "Windows", "Chuyển sang máy mới được",
     "Windows 10/11 Home/Pro - FPP Key điện tử", "2.200.000đ",
     "Dùng Windows 10 Pro bản quyền hôm nay, sau này nâng cấp/đổi máy mới vẫn chuyển sang Windows 11 Pro được."},
    {"office-2021-pro-plus-no-box", "Office", "Vĩnh viễn · Chạy mượt Win 10", "Office 2021 Pro Plus - Key điện tử",
     "2.200.000đ", "Trọn bộ Word, Excel, PowerPoint, Outlook vĩnh viễn chạy nhẹ và ổn định trên máy Windows 10."},
    {"microsoft-365-business-standard", "Office", "Cloud 1TB · Dùng tối đa 5 máy", "Microsoft 365 Business Standard",
     "3.750.000đ", "Đăng nhập linh hoạt trên cả máy hiện tại lẫn máy mới sau này, kèm 1TB OneDrive & Teams."},
}};

}  // namespace

std::vector<ProductCard> recommended_products(std::string_view verdictCode) {
  // Exact bytes only: a code in another case or with blanks is not "NOT_READY".
  const ProductList& list = verdictCode == "NOT_READY" ? WINDOWS_10_LIST : WINDOWS_11_LIST;
  std::vector<ProductCard> cards;
  cards.reserve(list.size());
  for (const CatalogueRow& row : list) {
    std::string url(PRODUCT_URL_PREFIX);
    url += row.slug;
    cards.push_back({std::string(row.slug), std::string(row.group), std::string(row.badge), std::string(row.name),
                     std::string(row.price), std::string(row.reason), std::move(url)});
  }
  return cards;
}

nlohmann::json product_card_to_json(const ProductCard& card) {
  return nlohmann::json{{"slug", card.slug},   {"group", card.group},   {"badge", card.badge}, {"name", card.name},
                        {"price", card.price}, {"reason", card.reason}, {"url", card.url}};
}

}  // namespace bq::engine
