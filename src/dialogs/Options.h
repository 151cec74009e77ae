// The options dialog ("Quillpost Options"): the firewall settings of the settings file,
// passive transfers and the SOCKS proxy with its version, address, port and login.
#pragma once

#include <string>
#include <vector>

#include "ui/WindowSystem.h"

namespace qp::dialogs {

// The keys of section "Firewall" as the dialog shows them; the defaults are those of a
// missing key.
struct TFirewallSettings {
  bool PASV = false;
  bool Socks = false;
  std::string Version = "SOCKS 4.0";
  std::string Host;
  std::string Port = "0";
  std::string Authentication = "None";
  std::string User;
  std::string Password;

  bool operator==(const TFirewallSettings&) const = default;
};

// The proxy versions of the drop-down list, in its order.
enum class TSocksProxyVersion { Socks4, Socks4A, Socks5 };

// The SOCKS part of the settings, in the shape a TCP client's SOCKS settings take: copy
// UseSocks and Version into the version (none when UseSocks is false), Authenticate into
// the authentication (user name and password, or none).
struct TSocksSettings {
  bool UseSocks = false;
  TSocksProxyVersion Version = TSocksProxyVersion::Socks4;
  std::string Host;
  int Port = 0;  // 0 when the text is no port number (1 to 65535)
  bool Authenticate = false;
  std::string Username;
  std::string Password;
};

// The settings file of an executable: the folder, the executable's name up to and with its
// first ".", then "INI" (my.reader -> my.INI). A name without "." is read as if it ended in
// one (quillpost -> quillpost.INI). folder gets a "/" when it has no trailing separator.
std::string SettingsFileName(const std::string& folder, const std::string& executableName);

// The eight keys of section "Firewall" of fileName (defaults for what is missing).
TFirewallSettings ReadFirewallSettings(const std::string& fileName);
// Writes the eight keys into section "Firewall" of fileName, keeping every other line of it;
// the file is created when missing. Throws EFCreateError or EFOpenError (see TIniFile).
void WriteFirewallSettings(const std::string& fileName, const TFirewallSettings& settings);

// The controls of the dialog's form as the logic sees them; the form fills the two drop-down
// lists with TdlgOptions::VersionItems and AuthenticationItems and shows the password as "*"
// characters.
class IOptionsView {
 public:
  virtual ~IOptionsView() = default;
  virtual ui::ICheckBox& chkPasv() = 0;   // "Enable Passive (PASV) file transfers ..."
  virtual ui::ICheckBox& chkSocks() = 0;  // "Use SOCKS Proxy"
  virtual ui::IControl& lblVersion() = 0;
  virtual ui::IComboBox& cmbVersion() = 0;  // "SOCKS Version"
  virtual ui::IControl& lblHost() = 0;
  virtual ui::IEdit& edHost() = 0;  // "Proxy Address"
  virtual ui::IControl& lblPort() = 0;
  virtual ui::IEdit& edPort() = 0;  // "Proxy Port"
  virtual ui::IControl& lblAuth() = 0;
  virtual ui::IComboBox& cmbAuth() = 0;  // "Authentication Type"
  virtual ui::IControl& lblUser() = 0;
  virtual ui::IEdit& edUser() = 0;  // "User ID"
  virtual ui::IControl& lblPass() = 0;
  virtual ui::IEdit& edPass() = 0;  // "Password"
  // 1 = OK, 2 = Cancel.
  virtual int ShowModal() = 0;
};

// The dialog's logic. Created once by the start routine, it reads the settings file into
// the controls; the file is not read again. "OK" writes the shown settings back to the file,
// "Cancel" puts back what the dialog showed when it opened. The view must outlive it; main
// thread only.
class TdlgOptions : public ui::IForm {
 public:
  // Reads settingsFile (FormCreate).
  TdlgOptions(IOptionsView& view, std::string settingsFile);
  ~TdlgOptions() override;
  TdlgOptions(const TdlgOptions&) = delete;
  TdlgOptions& operator=(const TdlgOptions&) = delete;

  static const std::vector<std::string>& VersionItems();
  static const std::vector<std::string>& AuthenticationItems();

  const std::string& SettingsFile() const { return FSettingsFile; }

  // Reads the eight keys into the controls and applies the enabling rules.
  void FormCreate();
  // The proxy rule: the version, address, port and authentication labels and controls are
  // enabled exactly when "Use SOCKS Proxy" is checked; then the login rule.
  void chkSocksClick();
  // The login rule: the user and password labels and edits are enabled exactly when "Use
  // SOCKS Proxy" is checked and "Authentication Type" shows "User ID/Password".
  void cmbAuthChange();

  // Shows the form modally. OK writes the settings (a failure to write passes on, and the
  // controls keep what the user entered); any other result restores the controls.
  int ShowModal() override;

  // What the controls show.
  TFirewallSettings Settings() const;
  // Puts settings into the controls: a drop-down list selects the item equal to the value,
  // ignoring letter case, or its first item. Applies the enabling rules.
  void ShowSettings(const TFirewallSettings& settings);
  // The SOCKS settings the controls show.
  TSocksSettings SocksSettings() const;

  ui::ICheckBox& chkPasv;
  ui::ICheckBox& chkSocks;
  ui::IComboBox& cmbVersion;
  ui::IEdit& edHost;
  ui::IEdit& edPort;
  ui::IComboBox& cmbAuth;
  ui::IEdit& edUser;
  ui::IEdit& edPass;

 private:
  IOptionsView& FView;
  std::string FSettingsFile;
};

}  // namespace qp::dialogs
