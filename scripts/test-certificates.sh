# Shared by the tests (sourced, not run): throwaway certificates for signing tests, made with
# openssl, never trusted anywhere but in the test that made them.
#
#   test_certificates DIR   writes into DIR:
#     signing.p12, password      a code-signing certificate and key, valid for two days, and its
#                                password; signer.pem is the certificate alone
#     wrong-password             another password
#     expired.p12                a code-signing certificate that expired in 2020 (password)
#     server.p12                 a certificate for TLS servers only, not for code signing
#   Returns 1 with a line on standard error when openssl fails.
test_certificates() {
  local dir=$1
  mkdir -p "${dir}/ca"
  (
    set -e
    cd "${dir}"
    echo "throwaway-$$-${RANDOM}" >password
    echo "not-the-password" >wrong-password
    make() {  # make NAME SUBJECT EXTENDED-KEY-USAGE START END
      openssl req -new -newkey rsa:2048 -nodes -keyout "$1.key" -subj "$2" -out "$1.csr"
      cat >"$1.cnf" <<CNF
[ca]
default_ca = test
[test]
database = ca/index.txt
new_certs_dir = ca
serial = ca/serial
default_md = sha256
policy = any
x509_extensions = usage
unique_subject = no
[any]
commonName = supplied
[usage]
extendedKeyUsage = $3
keyUsage = critical, digitalSignature
CNF
      : >ca/index.txt
      echo 01 >ca/serial
      openssl ca -batch -config "$1.cnf" -selfsign -keyfile "$1.key" -in "$1.csr" -out "$1.pem" \
        -startdate "$4" -enddate "$5"
      openssl pkcs12 -export -inkey "$1.key" -in "$1.pem" -out "$1.p12" -passout file:password
    }
    make signing "/CN=Orvabridge test signing" codeSigning \
      "$(date -u -d '-1 hour' +%Y%m%d%H%M%SZ)" "$(date -u -d '+2 days' +%Y%m%d%H%M%SZ)"
    make expired "/CN=Orvabridge expired" codeSigning 20200101000000Z 20200201000000Z
    make server "/CN=Orvabridge TLS server" serverAuth \
      "$(date -u -d '-1 hour' +%Y%m%d%H%M%SZ)" "$(date -u -d '+2 days' +%Y%m%d%H%M%SZ)"
    cp signing.pem signer.pem
  ) >"${dir}/openssl.log" 2>&1 || {
    echo "test-certificates: openssl failed: $(tail -2 "${dir}/openssl.log")" >&2
    return 1
  }
}
