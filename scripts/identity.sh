# Shared by the scripts (sourced, not run): the values of cmake/identity.cmake, the one place
# where the version, the automation server's GUIDs and ProgIDs and the control message's name are
# written. The keys are those of cmake/identity.env.in (ORVABRIDGE_VERSION, ORVABRIDGE_CLASS_ID,
# ORVABRIDGE_PROG_ID, ...).
#
#   identity_load BUILD              sets a shell variable of each key's name from a configured
#                                    build tree (BUILD/identity.env): the identity of what was
#                                    built there
#   identity_of_sources ROOT KEY     prints the value of a source tree, for a script that runs
#                                    before there is a build (cmake -P cmake/print-identity.cmake)
#
# Each says what is missing on standard error and returns 1 when it cannot.

identity_load() {
  local file=$1/identity.env key value
  if [ ! -f "${file}" ] || ! grep -q '^ORVABRIDGE_VERSION=' "${file}"; then
    echo "identity: no identity in ${file}; configure the build $1 (again)" >&2
    return 1
  fi
  while IFS='=' read -r key value; do
    [[ ${key} =~ ^ORVABRIDGE_[A-Z0-9_]+$ ]] && printf -v "${key}" '%s' "${value}"
  done <"${file}"
  return 0
}

identity_of_sources() {
  local script=$1/cmake/print-identity.cmake
  if [ ! -f "${script}" ]; then
    echo "identity: ${script} is missing" >&2
    return 1
  fi
  cmake -D "KEY=$2" -P "${script}"
}
