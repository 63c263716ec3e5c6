// The dial-up object: the settings of the dial-up entry the client gives
// and, later, the connection it makes through the remote-access service.
#pragma once

#include <string>

namespace modlink {

class RasConnector {
 public:
  RasConnector() = default;

  std::string m_strEntryName = "Quorvel";
  std::string m_strPhoneNumber;
  std::string m_strUserName;
  std::string m_strPassword;
  std::string m_strApn;
};

}  // namespace modlink
