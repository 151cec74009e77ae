// The News database of a test: opened on a folder of the test for as long as the object
// lives, and rows added to its tables as Site Management and the subscription dialog add them.
// Header-only, for the suites that link the store.
#pragma once

#include <filesystem>
#include <string>

#include "store/Database.h"
#include "store/Table.h"

namespace qp::test {

// Opens the shared "News" database on folder (a path ending in "/", made when missing) and
// disconnects it when the test ends. Declare it before the objects that use the tables.
class ScopedNewsDatabase {
 public:
  explicit ScopedNewsDatabase(const std::string& folder) {
    std::filesystem::create_directories(folder);
    store::News().Disconnect();
    store::News().SetDirectory(folder);
    store::News().Connect();
  }
  ~ScopedNewsDatabase() { store::News().Disconnect(); }
  ScopedNewsDatabase(const ScopedNewsDatabase&) = delete;
  ScopedNewsDatabase& operator=(const ScopedNewsDatabase&) = delete;
};

// Adds a row to "Servers.DAT" of the open News database for a server on 127.0.0.1 at port;
// returns its ID.
inline int AddServerRow(const std::string& name, int port, bool authenticate = false,
                        const std::string& login = "", const std::string& password = "") {
  store::TTable servers;
  servers.DatabaseName = "News";
  servers.TableName = "Servers.DAT";
  servers.Open();
  servers.Insert();
  servers.FieldByName("Name").SetAsString(name);
  servers.FieldByName("Address").SetAsString("127.0.0.1");
  servers.FieldByName("Port").SetAsInteger(port);
  servers.FieldByName("Authenticate").SetAsBoolean(authenticate);
  servers.FieldByName("Login").SetAsString(login);
  servers.FieldByName("Password").SetAsString(password);
  servers.Post();
  return servers.FieldByName("ID").AsInteger();
}

// Stores the subscription of the server with ID server to group.
inline void AddSubscriptionRow(int server, const std::string& group) {
  store::TTable subscriptions;
  subscriptions.DatabaseName = "News";
  subscriptions.TableName = "Subscriptions";
  subscriptions.Open();
  subscriptions.Insert();
  subscriptions.FieldByName("Server").SetAsInteger(server);
  subscriptions.FieldByName("Group").SetAsString(group);
  subscriptions.Post();
}

}  // namespace qp::test
