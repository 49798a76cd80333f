#include "device/Clients/VeltoClientError.h"

namespace device {

VeltoClientError::VeltoClientError(Case c, std::string text)
    : case_(c),
      text_(std::move(text)),
      description_("The operation couldn\u2019t be completed. (VeltoClient.VeltoClientError error " +
                   std::to_string(static_cast<int>(c)) + ".)") {}

}  // namespace device
