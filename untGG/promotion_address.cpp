#include "untGG/promotion_address.h"

#include "untGG/promotion_host.h"

namespace untGG {

const std::wstring& PromotionAddress() {
  static const std::wstring address = std::wstring(kPromotionHost) + L"/ad.asp";
  return address;
}

}  // namespace untGG
