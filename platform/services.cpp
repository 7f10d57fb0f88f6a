#include "platform/services.h"

namespace platform {

namespace {
Services installed;
}

Services& Current() {
  return installed;
}
void Install(const Services& services) {
  installed = services;
}

}  // namespace platform
