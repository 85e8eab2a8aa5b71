// The consultation request on Windows trusts the roots it is given and no
// other: not the system's certificate store, and not a curl-ca-bundle.crt
// beside the program or in its working folder, where the curl tool would look.

// winsock2.h before windows.h, which brings wincrypt.h.
#include <winsock2.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <openssl/x509.h>

#include "common/https_test_server.hpp"
#include "engine/lead.hpp"

namespace {

namespace fs = std::filesystem;
using bq::engine::LeadForm;
using bq::engine::LeadReply;
using bq::engine::LeadTransport;

// The machine's root store, where an administrator adds an authority without
// being asked (the user's own store asks on screen).
struct RootStore {
  HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"ROOT");
  ~RootStore() {
    if (store != nullptr) ::CertCloseStore(store, 0);
  }
};

fs::path program_folder() {
  wchar_t path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  return fs::path(std::wstring(path, length)).parent_path();
}

LeadReply send(const std::string& url, const std::string& roots) {
  LeadForm form;
  form.phone = "0987654321";
  LeadTransport transport;
  transport.endpoint = url;
  transport.trusted_roots = roots;
  return bq::engine::submit_consultation_lead(form, transport);
}

TEST(LeadRootsOnWindows, NeitherTheSystemStoreNorABundleFileIsTrusted) {
  const bq::test::Credentials authority = bq::test::make_authority("Planted Root");
  bq::test::RecordingServer server(bq::test::make_server_credentials(authority),
                                   [](const httplib::Request&, httplib::Response& response) {
                                     response.set_content(R"({"ok":true})", "application/json");
                                   });

  RootStore roots;
  if (roots.store == nullptr) GTEST_SKIP() << "the machine's root store needs administrator rights";
  unsigned char* der = nullptr;
  const int der_size = i2d_X509(authority.cert.get(), &der);
  ASSERT_GT(der_size, 0);
  const auto free_der = [](unsigned char* bytes) { OPENSSL_free(bytes); };
  const std::unique_ptr<unsigned char, decltype(free_der)> der_owner(der, free_der);
  PCCERT_CONTEXT planted = nullptr;
  ASSERT_TRUE(::CertAddEncodedCertificateToStore(roots.store, X509_ASN_ENCODING, der, static_cast<DWORD>(der_size),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, &planted));
  const std::unique_ptr<const CERT_CONTEXT, decltype(&::CertFreeCertificateContext)> planted_owner(
      planted, ::CertFreeCertificateContext);
  const fs::path bundles[] = {program_folder() / "curl-ca-bundle.crt", fs::current_path() / "curl-ca-bundle.crt"};
  for (const fs::path& bundle : bundles) std::ofstream(bundle, std::ios::binary) << authority.pem;

  const bq::test::Credentials unrelated = bq::test::make_authority("Unrelated Root");
  const LeadReply refused = send(server.url("/lead"), unrelated.pem);
  const LeadReply accepted = send(server.url("/lead"), authority.pem);

  // Take the planted authority out again before checking anything.
  ::CertDeleteCertificateFromStore(::CertDuplicateCertificateContext(planted));
  for (const fs::path& bundle : bundles) fs::remove(bundle);

  EXPECT_FALSE(refused.ok);
  ASSERT_TRUE(refused.error.has_value());
  EXPECT_TRUE(refused.error->starts_with("Không kết nối được mạng tới BrindleQuay.")) << *refused.error;
  // The same server is reached once its authority is the one given.
  EXPECT_TRUE(accepted.ok) << accepted.error.value_or("");
  EXPECT_EQ(server.requests().size(), 1u);
}

}  // namespace
