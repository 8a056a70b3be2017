// Placeholder until the settings stores land: saving and restoring fail with their codes.
#include "ComPort.h"

namespace cport {

void TCustomComPort::SaveSettings(TSettingsLocation, const std::string &) { throw EComPort(CError_StoreFailed); }
void TCustomComPort::RestoreSettings(TSettingsLocation, const std::string &) { throw EComPort(CError_LoadFailed); }
void TCustomComPort::WriteRegistryValues(TRegistry &) {}
void TCustomComPort::WriteIniKeys(TIniFile &) {}
void TCustomComPort::ReadRegistryValues(TRegistry &) {}
void TCustomComPort::ReadIniKeys(TIniFile &) {}

} // namespace cport
