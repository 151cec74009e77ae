#include "dialogs/Options.h"

#include "base/SysUtils.h"
#include "dialogs/IniFile.h"

namespace qp::dialogs {

namespace {

const char* const kSection = "Firewall";
constexpr int kUserPasswordItem = 1;  // "User ID/Password" in AuthenticationItems

// The item equal to value, ignoring letter case; the first item when none is.
int ItemIndexOf(const std::vector<std::string>& items, const std::string& value) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (SameText(items[i], value)) return static_cast<int>(i);
  }
  return 0;
}

std::string ItemText(const std::vector<std::string>& items, int index) {
  if (index < 0 || index >= static_cast<int>(items.size())) return items.front();
  return items[static_cast<std::size_t>(index)];
}

// The TCP port a text names: 1 to 65535 in decimal digits, blanks around them allowed; 0
// for anything else.
int PortNumber(const std::string& text) {
  const std::string digits = Trim(text);
  if (digits.empty() || digits.size() > 5) return 0;
  int port = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    port = port * 10 + (c - '0');
  }
  return port <= 65535 ? port : 0;
}

}  // namespace

std::string SettingsFileName(const std::string& folder, const std::string& executableName) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  const std::size_t dot = executableName.find('.');
  path += dot == std::string::npos ? executableName + "." : executableName.substr(0, dot + 1);
  return path + "INI";
}

TFirewallSettings ReadFirewallSettings(const std::string& fileName) {
  const TIniFile ini(fileName);
  const TFirewallSettings defaults;
  TFirewallSettings settings;
  settings.PASV = ini.ReadBool(kSection, "PASV", defaults.PASV);
  settings.Socks = ini.ReadBool(kSection, "Socks", defaults.Socks);
  settings.Version = ini.ReadString(kSection, "Version", defaults.Version);
  settings.Host = ini.ReadString(kSection, "Host", defaults.Host);
  settings.Port = ini.ReadString(kSection, "Port", defaults.Port);
  settings.Authentication = ini.ReadString(kSection, "Authentication", defaults.Authentication);
  settings.User = ini.ReadString(kSection, "User", defaults.User);
  settings.Password = ini.ReadString(kSection, "Password", defaults.Password);
  return settings;
}

void WriteFirewallSettings(const std::string& fileName, const TFirewallSettings& settings) {
  // Read anew, so that what another program wrote into the file meanwhile is kept.
  TIniFile ini(fileName);
  ini.WriteBool(kSection, "PASV", settings.PASV);
  ini.WriteBool(kSection, "Socks", settings.Socks);
  ini.WriteString(kSection, "Version", settings.Version);
  ini.WriteString(kSection, "Host", settings.Host);
  ini.WriteString(kSection, "Port", settings.Port);
  ini.WriteString(kSection, "Authentication", settings.Authentication);
  ini.WriteString(kSection, "User", settings.User);
  ini.WriteString(kSection, "Password", settings.Password);
  ini.UpdateFile();
}

TdlgOptions::TdlgOptions(IOptionsView& view, std::string settingsFile)
    : chkPasv(view.chkPasv()),
      chkSocks(view.chkSocks()),
      cmbVersion(view.cmbVersion()),
      edHost(view.edHost()),
      edPort(view.edPort()),
      cmbAuth(view.cmbAuth()),
      edUser(view.edUser()),
      edPass(view.edPass()),
      FView(view),
      FSettingsFile(std::move(settingsFile)) {
  chkSocks.SetOnClick([this] { chkSocksClick(); });
  cmbAuth.SetOnChange([this] { cmbAuthChange(); });
  FormCreate();
}

TdlgOptions::~TdlgOptions() {
  chkSocks.SetOnClick(nullptr);
  cmbAuth.SetOnChange(nullptr);
}

const std::vector<std::string>& TdlgOptions::VersionItems() {
  static const std::vector<std::string> items = {"SOCKS 4.0", "SOCKS 4.0A", "SOCKS 5.0"};
  return items;
}

const std::vector<std::string>& TdlgOptions::AuthenticationItems() {
  static const std::vector<std::string> items = {"None", "User ID/Password"};
  return items;
}

void TdlgOptions::FormCreate() {
  ShowSettings(ReadFirewallSettings(FSettingsFile));
}

void TdlgOptions::chkSocksClick() {
  const bool enabled = chkSocks.Checked();
  ui::IControl* const controls[] = {&FView.lblVersion(), &cmbVersion, &FView.lblHost(), &edHost,
                                    &FView.lblPort(),    &edPort,     &FView.lblAuth(), &cmbAuth};
  for (ui::IControl* control : controls) control->SetEnabled(enabled);
  cmbAuthChange();
}

void TdlgOptions::cmbAuthChange() {
  const bool enabled = chkSocks.Checked() && cmbAuth.ItemIndex() == kUserPasswordItem;
  ui::IControl* const controls[] = {&FView.lblUser(), &edUser, &FView.lblPass(), &edPass};
  for (ui::IControl* control : controls) control->SetEnabled(enabled);
}

TFirewallSettings TdlgOptions::Settings() const {
  TFirewallSettings settings;
  settings.PASV = chkPasv.Checked();
  settings.Socks = chkSocks.Checked();
  settings.Version = ItemText(VersionItems(), cmbVersion.ItemIndex());
  settings.Host = edHost.Text();
  settings.Port = edPort.Text();
  settings.Authentication = ItemText(AuthenticationItems(), cmbAuth.ItemIndex());
  settings.User = edUser.Text();
  settings.Password = edPass.Text();
  return settings;
}

void TdlgOptions::ShowSettings(const TFirewallSettings& settings) {
  chkPasv.SetChecked(settings.PASV);
  chkSocks.SetChecked(settings.Socks);
  cmbVersion.SetItemIndex(ItemIndexOf(VersionItems(), settings.Version));
  edHost.SetText(settings.Host);
  edPort.SetText(settings.Port);
  cmbAuth.SetItemIndex(ItemIndexOf(AuthenticationItems(), settings.Authentication));
  edUser.SetText(settings.User);
  edPass.SetText(settings.Password);
  chkSocksClick();
}

TSocksSettings TdlgOptions::SocksSettings() const {
  const TFirewallSettings settings = Settings();
  TSocksSettings socks;
  socks.UseSocks = settings.Socks;
  socks.Version = static_cast<TSocksProxyVersion>(ItemIndexOf(VersionItems(), settings.Version));
  socks.Host = settings.Host;
  socks.Port = PortNumber(settings.Port);
  socks.Authenticate =
      ItemIndexOf(AuthenticationItems(), settings.Authentication) == kUserPasswordItem;
  socks.Username = settings.User;
  socks.Password = settings.Password;
  return socks;
}

int TdlgOptions::ShowModal() {
  const TFirewallSettings shown = Settings();
  const int result = FView.ShowModal();
  if (result == ui::idOK) {
    WriteFirewallSettings(FSettingsFile, Settings());
  } else {
    ShowSettings(shown);
  }
  return result;
}

}  // namespace qp::dialogs
