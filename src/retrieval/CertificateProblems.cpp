#include "retrieval/CertificateProblems.h"

namespace vyn {

const wchar_t* CertificateProblem(std::uint32_t windowsError) {
  switch (windowsError) {
    case 12045:  // ERROR_INTERNET_INVALID_CA
      return L"the server's certificate is not trusted";
    case 12038:  // ERROR_INTERNET_SEC_CERT_CN_INVALID
      return L"the server's certificate is for another name";
    case 12037:  // ERROR_INTERNET_SEC_CERT_DATE_INVALID
      return L"the server's certificate has expired or is not yet valid";
    case 12170:  // ERROR_INTERNET_SEC_CERT_REVOKED
      return L"the server's certificate has been revoked";
    case 12057:  // ERROR_INTERNET_SEC_CERT_REV_FAILED, also for a chain without its issuer
      return L"the server's certificate could not be checked: its issuer or its revocation "
             L"list is out of reach";
    case 12056:  // ERROR_INTERNET_SEC_CERT_NO_REV
      return L"the server's certificate could not be checked for revocation";
    case 12055:  // ERROR_INTERNET_SEC_CERT_ERRORS
    case 12169:  // ERROR_INTERNET_SEC_INVALID_CERT
      return L"the server's certificate is not valid";
    case 12044:  // ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED
      return L"the server asks for a client certificate";
    case 12157:  // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
      return L"no secure connection could be made with the server";
    case 12040:  // ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR
      return L"the server sent the download to an address without encryption";
    default:
      return nullptr;
  }
}

}  // namespace vyn
