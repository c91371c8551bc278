#include <climits>

#include "engine/setup_info.h"

namespace {

// Largest file value whose KB count still fits a signed 32-bit number.
constexpr UINT kLargestSizeMB = INT_MAX >> 10;

}  // namespace

bool SetupInfo::LoadSetupConfig() {
  std::string localPath;
  if (DownloadFile(nullptr, kSetupConfigUrl, localPath) != 0) return false;
  configPath = localPath;
  const char* file = configPath.c_str();

  GetPrivateProfileStringA("setup", "gamename", "", gamename, sizeof gamename, file);
  GetPrivateProfileStringA("setup", "exefilename", "", exefilename, sizeof exefilename, file);
  GetPrivateProfileStringA("setup", "ProductTitle", "", ProductTitle, sizeof ProductTitle, file);

  UINT raw = GetPrivateProfileIntA("setup", "size", -1, file);
  size = static_cast<int>(raw);
  if (size < 0) return false;
  // A value whose KB count does not fit is read as the largest size, not wrapped negative.
  size = raw > kLargestSizeMB ? INT_MAX : static_cast<int>(raw << 10);

  GetPrivateProfileStringA("setup", "urlAgreement", "", urlAgreement, sizeof urlAgreement, file);
  GetPrivateProfileStringA("setup", "uninstname", "", uninstname, sizeof uninstname, file);
  GetPrivateProfileStringA("setup", "Publisher", "", Publisher, sizeof Publisher, file);
  GetPrivateProfileStringA("setup", "Contact", "", Contact, sizeof Contact, file);
  return true;
}
