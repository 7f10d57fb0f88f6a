#pragma once
// The address of the vendor's promotion page.
#include <string>

namespace untGG {

// The configured host followed by "/ad.asp", without a scheme, as one would type it into a
// browser's address bar. Both places that load the page use it.
const std::wstring& PromotionAddress();

}  // namespace untGG
