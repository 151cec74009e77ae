#include "support/TLSPeer.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace qp::test {

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertFree {
  void operator()(X509* cert) const { X509_free(cert); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;
using CertPtr = std::unique_ptr<X509, CertFree>;

KeyPtr NewKey() {
  KeyPtr key(EVP_EC_gen("P-256"));
  if (!key) throw std::runtime_error("cannot make a test key");
  return key;
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX context;
  X509V3_set_ctx_nodb(&context);
  X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
  X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
  if (extension == nullptr) throw std::runtime_error("bad test certificate extension " + value);
  X509_add_ext(cert, extension, -1);
  X509_EXTENSION_free(extension);
}

// A certificate for key named commonName, signed by issuerKey as issuer (itself when null).
CertPtr MakeCertificate(EVP_PKEY* key, const std::string& commonName, X509* issuer,
                        EVP_PKEY* issuerKey, long serial, int fromDays, int toDays, bool ca,
                        const std::string& altNames) {
  CertPtr cert(X509_new());
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), serial);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), 86400L * fromDays);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400L * toDays);
  X509_set_pubkey(cert.get(), key);
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>("Quillpost tests"), -1, -1, 0);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                             reinterpret_cast<const unsigned char*>(commonName.c_str()), -1, -1, 0);
  X509* signer = issuer != nullptr ? issuer : cert.get();
  X509_set_issuer_name(cert.get(), X509_get_subject_name(signer));
  AddExtension(cert.get(), signer, NID_basic_constraints, ca ? "critical,CA:TRUE" : "CA:FALSE");
  AddExtension(cert.get(), signer, NID_key_usage,
               ca ? "critical,keyCertSign,cRLSign" : "critical,digitalSignature");
  AddExtension(cert.get(), signer, NID_subject_key_identifier, "hash");
  if (!ca) AddExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth");
  if (!altNames.empty()) AddExtension(cert.get(), signer, NID_subject_alt_name, altNames);
  if (X509_sign(cert.get(), issuerKey != nullptr ? issuerKey : key, EVP_sha256()) == 0)
    throw std::runtime_error("cannot sign a test certificate");
  return cert;
}

void WritePem(const std::string& path, X509* cert, EVP_PKEY* key) {
  FILE* file = std::fopen(path.c_str(), "w");
  if (file == nullptr) throw std::runtime_error("cannot write " + path);
  if (cert != nullptr) PEM_write_X509(file, cert);
  if (key != nullptr) PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr);
  std::fclose(file);
}

struct SslFree {
  void operator()(SSL* ssl) const { SSL_free(ssl); }
};
struct ContextFree {
  void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

}  // namespace

struct TestPKI::TState {
  KeyPtr CAKey;
  CertPtr CACert;
  long Serial = 1;
};

TestPKI::TestPKI(std::string folder)
    : FFolder(std::move(folder)), FCAFile(FFolder + "/ca.pem"), FState(std::make_unique<TState>()) {
  FState->CAKey = NewKey();
  FState->CACert = MakeCertificate(FState->CAKey.get(), "Quillpost Test CA", nullptr, nullptr,
                                   FState->Serial++, -1, 365, true, "");
  WritePem(FCAFile, FState->CACert.get(), nullptr);
}

TestPKI::~TestPKI() = default;

CertificateFiles TestPKI::Issue(const std::string& name, const std::string& altNames,
                                int validFromDays, int validToDays, bool selfSigned) {
  KeyPtr key = NewKey();
  CertPtr cert = MakeCertificate(key.get(), name, selfSigned ? nullptr : FState->CACert.get(),
                                 selfSigned ? nullptr : FState->CAKey.get(), FState->Serial++,
                                 validFromDays, validToDays, false, altNames);
  CertificateFiles files{FFolder + "/" + name + ".crt", FFolder + "/" + name + ".key"};
  WritePem(files.Certificate, cert.get(), nullptr);
  WritePem(files.Key, nullptr, key.get());
  return files;
}

TLSFront::TLSFront(const CertificateFiles& certificate, int backendPort, int connections,
                   TLSClose close)
    : FCertificate(certificate), FBackendPort(backendPort), FClose(close) {
  FThread = std::thread([this, connections] { Run(connections); });
}

TLSFront::~TLSFront() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
}

void TLSFront::Run(int connections) {
  for (int served = 0; served < connections && !FStop;) {
    pollfd p{FListener.Fd(), POLLIN, 0};
    if (::poll(&p, 1, 50) <= 0) continue;
    const int fd = FListener.Accept();
    if (fd < 0) continue;
    ++served;
    ServeOn(fd);
  }
}

void TLSFront::ServeOn(int fd) {
  std::unique_ptr<SSL_CTX, ContextFree> context(SSL_CTX_new(TLS_server_method()));
  if (!context ||
      SSL_CTX_use_certificate_file(context.get(), FCertificate.Certificate.c_str(),
                                   SSL_FILETYPE_PEM) != 1 ||
      SSL_CTX_use_PrivateKey_file(context.get(), FCertificate.Key.c_str(), SSL_FILETYPE_PEM) != 1) {
    ::close(fd);
    ++FFailed;
    return;
  }
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  std::unique_ptr<SSL, SslFree> ssl(SSL_new(context.get()));
  SSL_set_fd(ssl.get(), fd);
  // A client that never finishes the handshake must not hold the thread.
  timeval limit{5, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  if (SSL_accept(ssl.get()) != 1) {
    ERR_clear_error();
    ++FFailed;
    ::close(fd);
    return;
  }
  const int backend = ConnectLoopback(FBackendPort);
  char buffer[16384];
  bool clientOpen = true;
  while (backend >= 0 && !FStop) {
    pollfd p[2] = {{fd, static_cast<short>(clientOpen ? POLLIN : 0), 0}, {backend, POLLIN, 0}};
    const int ready = SSL_pending(ssl.get()) > 0 ? 1 : ::poll(p, 2, 50);
    if (ready < 0) break;
    if (ready == 0) continue;
    if (clientOpen && (SSL_pending(ssl.get()) > 0 || (p[0].revents & (POLLIN | POLLHUP)) != 0)) {
      const int n = SSL_read(ssl.get(), buffer, sizeof buffer);
      if (n > 0) {
        SendAll(backend, std::string_view(buffer, static_cast<std::size_t>(n)));
      } else {
        const int error = SSL_get_error(ssl.get(), n);
        if (error == SSL_ERROR_WANT_READ) continue;
        // The client has gone: the plain server sees the end of the stream, and what it still
        // sends is read and dropped until it closes.
        clientOpen = false;
        ::shutdown(backend, SHUT_WR);
        ERR_clear_error();
      }
    }
    if ((p[1].revents & (POLLIN | POLLHUP)) != 0) {
      const ssize_t n = ::recv(backend, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      if (clientOpen && SSL_write(ssl.get(), buffer, static_cast<int>(n)) <= 0) {
        clientOpen = false;
        ERR_clear_error();
      }
    }
  }
  if (backend >= 0) ::close(backend);
  if (clientOpen && FClose == TLSClose::CloseNotify) SSL_shutdown(ssl.get());
  ERR_clear_error();
  ::close(fd);
}

}  // namespace qp::test
