# Shared by the release scripts (sourced, not run): Authenticode signing with osslsigncode, SHA-256,
# with the release manager's certificate named by the environment:
#
#   ORVABRIDGE_SIGN_PKCS12          a PKCS#12 file with the code-signing certificate and its key
#   ORVABRIDGE_SIGN_PASSWORD_FILE   a file holding that file's password (first line)
#   or
#   ORVABRIDGE_SIGN_PKCS11_URI      the key on a hardware token (pkcs11:token=...;object=...)
#   ORVABRIDGE_SIGN_PKCS11_MODULE   the token's PKCS#11 module (.so); default: p11-kit's proxy
#   ORVABRIDGE_SIGN_PKCS11_CERT     the token's certificate (PEM or DER file)
#   ORVABRIDGE_SIGN_PASSWORD_FILE   (optional here) the token's PIN
#   and, with either:
#   ORVABRIDGE_SIGN_TIMESTAMP_URL   an RFC 3161 time-stamp server (optional; without it the
#                                   signature carries no time stamp and is valid only as long as
#                                   the certificate is)
#
#   signing_prepare WORK        checks all of it before anything is built: the password opens the
#                               file, the certificate is valid now and is for code signing, and a
#                               trial signature of a small program works (which also finds a
#                               missing token). Writes WORK/signer.pem. On failure prints one line
#                               "${signing_prefix}: ..." and returns 1.
#   signing_sign FILE           signs FILE (PE or MSI) in place; returns 1 with a line on failure
#   signing_verify FILE CERT    verifies FILE's signature against CERT (the signer's certificate
#                               as trust anchor); prints osslsigncode's complaint on failure
#
# The password never appears on a command line: osslsigncode reads it from the file.

signing_configured() {
  [ -n "${ORVABRIDGE_SIGN_PKCS12:-}" ] || [ -n "${ORVABRIDGE_SIGN_PKCS11_URI:-}" ]
}

signing_fail() {  # the one line that says what is wrong; signing_prefix says who says it
  echo "${signing_prefix:-sign}: $*" >&2
  return 1
}

signing_prepare() {
  local work=$1 pkcs12=${ORVABRIDGE_SIGN_PKCS12:-} uri=${ORVABRIDGE_SIGN_PKCS11_URI:-}
  local password_file=${ORVABRIDGE_SIGN_PASSWORD_FILE:-} error
  signing_work=${work}
  mkdir -p "${work}"
  command -v osslsigncode >/dev/null && command -v openssl >/dev/null ||
    { signing_fail "osslsigncode and openssl are needed (scripts/install-deps.sh installs them)"; return 1; }
  signing_key_args=()
  if [ -n "${pkcs12}" ] && [ -n "${uri}" ]; then
    signing_fail "set ORVABRIDGE_SIGN_PKCS12 or ORVABRIDGE_SIGN_PKCS11_URI, not both"; return 1
  elif [ -n "${pkcs12}" ]; then
    [ -r "${pkcs12}" ] || { signing_fail "cannot read ORVABRIDGE_SIGN_PKCS12 (${pkcs12})"; return 1; }
    [ -n "${password_file}" ] && [ -r "${password_file}" ] ||
      { signing_fail "ORVABRIDGE_SIGN_PASSWORD_FILE must name a readable file holding the password of ${pkcs12}"; return 1; }
    if ! error=$(openssl pkcs12 -in "${pkcs12}" -passin "file:${password_file}" -clcerts -nokeys \
      -out "${work}/signer.pem" 2>&1); then
      if grep -qi 'mac verify\|invalid password\|bad decrypt' <<<"${error}"; then
        signing_fail "the password in ${password_file} does not open ${pkcs12}"
      else
        signing_fail "${pkcs12} is not a readable PKCS#12 file: $(head -1 <<<"${error}")"
      fi
      return 1
    fi
    signing_key_args=(-pkcs12 "${pkcs12}" -readpass "${password_file}")
  elif [ -n "${uri}" ]; then
    local module=${ORVABRIDGE_SIGN_PKCS11_MODULE:-/usr/lib/x86_64-linux-gnu/p11-kit-proxy.so}
    local cert=${ORVABRIDGE_SIGN_PKCS11_CERT:-}
    [ -r "${module}" ] ||
      { signing_fail "no PKCS#11 module ${module} (set ORVABRIDGE_SIGN_PKCS11_MODULE)"; return 1; }
    [ -n "${cert}" ] && [ -r "${cert}" ] ||
      { signing_fail "ORVABRIDGE_SIGN_PKCS11_CERT must name the token's certificate file"; return 1; }
    openssl x509 -in "${cert}" -out "${work}/signer.pem" 2>/dev/null ||
      openssl x509 -inform DER -in "${cert}" -out "${work}/signer.pem" 2>/dev/null ||
      { signing_fail "${cert} is not a certificate (PEM or DER)"; return 1; }
    signing_key_args=(-pkcs11module "${module}" -key "${uri}" -certs "${work}/signer.pem")
    [ -z "${password_file}" ] || signing_key_args+=(-readpass "${password_file}")
  else
    signing_fail "no certificate: set ORVABRIDGE_SIGN_PKCS12 and ORVABRIDGE_SIGN_PASSWORD_FILE, or ORVABRIDGE_SIGN_PKCS11_URI"
    return 1
  fi

  local subject
  subject=$(openssl x509 -in "${work}/signer.pem" -noout -subject -nameopt oneline 2>/dev/null |
    sed 's/^subject= *//')
  openssl x509 -in "${work}/signer.pem" -noout -checkend 0 >/dev/null 2>&1 ||
    { signing_fail "the certificate (${subject}) has expired"; return 1; }
  local not_before
  not_before=$(openssl x509 -in "${work}/signer.pem" -noout -startdate | cut -d= -f2)
  [ "$(date -d "${not_before}" +%s)" -le "$(date +%s)" ] ||
    { signing_fail "the certificate (${subject}) is not valid before ${not_before}"; return 1; }
  openssl x509 -in "${work}/signer.pem" -noout -ext extendedKeyUsage 2>/dev/null |
    grep -q 'Code Signing' ||
    { signing_fail "the certificate (${subject}) is not for code signing (no Code Signing in its extended key usage)"; return 1; }

  signing_extra_args=(-h sha256)
  [ -z "${ORVABRIDGE_SIGN_TIMESTAMP_URL:-}" ] || signing_extra_args+=(-ts "${ORVABRIDGE_SIGN_TIMESTAMP_URL}")

  # A trial signature of a small program: the key is there (token plugged in, PIN right) and
  # belongs to the certificate.
  local compiler
  compiler=$(command -v x86_64-w64-mingw32-gcc || true)
  [ -n "${compiler}" ] || { signing_fail "x86_64-w64-mingw32-gcc is needed for the trial signature"; return 1; }
  printf 'int main(void) { return 0; }\n' >"${work}/trial.c"
  "${compiler}" -s -o "${work}/trial.exe" "${work}/trial.c" 2>/dev/null ||
    { signing_fail "cannot compile the trial program"; return 1; }
  if ! error=$(signing_sign "${work}/trial.exe" 2>&1); then
    echo "${error}" >&2
    return 1
  fi
  if ! error=$(signing_verify "${work}/trial.exe" "${work}/signer.pem" 2>&1); then
    signing_fail "a trial signature does not verify against the certificate (${subject}); is the key the certificate's?"
    return 1
  fi
  echo "sign: certificate ${subject}, valid until $(openssl x509 -in "${work}/signer.pem" -noout -enddate | cut -d= -f2)"
}

signing_sign() {
  local file=$1 log
  if ! log=$(osslsigncode sign "${signing_key_args[@]}" "${signing_extra_args[@]}" -n Orvabridge \
    -in "${file}" -out "${file}.signed" 2>&1); then
    rm -f "${file}.signed"
    signing_fail "signing $(basename "${file}") failed: $(grep -v '^\s*$' <<<"${log}" | grep -iv '^succeeded' | head -2 | tr '\n' ' ')"
    return 1
  fi
  mv "${file}.signed" "${file}"
}

signing_verify() {
  local file=$1 cert=$2 log
  if ! log=$(osslsigncode verify -CAfile "${cert}" -in "${file}" 2>&1) ||
    ! grep -q '^Signature verification: ok' <<<"${log}"; then
    echo "${file}: $(grep -i 'fail\|mismatch\|error' <<<"${log}" | head -3 | tr '\n' ' ')" >&2
    return 1
  fi
}
