# The `release` target (Windows build): scripts/release.sh packs the built
# programs, the examples and the documentation into one zip,
# build/windows/FirmwareUpdateTools-<project version>.zip. Every program must
# be built. Optional signing: -DFWU_SIGN_CERT=... -DFWU_SIGN_KEY=... or
# -DFWU_SIGN_PKCS12=... (and FWU_SIGN_PASS, FWU_SIGN_TIMESTAMP), or
# -DFWU_SIGN_TEST=ON for a throwaway test certificate, handed to the script
# as environment.
if(NOT WIN32)
  return()
endif()
set(FWU_SIGN_CERT "" CACHE FILEPATH "Code-signing certificate for the release (optional)")
set(FWU_SIGN_KEY "" CACHE FILEPATH "Private key of FWU_SIGN_CERT")
set(FWU_SIGN_PKCS12 "" CACHE FILEPATH "Code-signing certificate and key as PKCS#12 (optional)")
set(FWU_SIGN_PASS "" CACHE STRING "Password of the signing key")
set(FWU_SIGN_TIMESTAMP "" CACHE STRING "Time-stamp server URL for the signatures (optional)")
option(FWU_SIGN_TEST "Sign the release with a throwaway self-signed test certificate" OFF)
if(FWU_SIGN_TEST)
  set(fwu_sign_test 1)
else()
  set(fwu_sign_test 0)
endif()
add_custom_target(release
  COMMAND ${CMAKE_COMMAND} -E env
    FWU_SIGN_CERT=${FWU_SIGN_CERT} FWU_SIGN_KEY=${FWU_SIGN_KEY}
    FWU_SIGN_PKCS12=${FWU_SIGN_PKCS12} FWU_SIGN_PASS=${FWU_SIGN_PASS}
    FWU_SIGN_TIMESTAMP=${FWU_SIGN_TIMESTAMP} FWU_SIGN_TEST=${fwu_sign_test} FWU_RELEASE_STRICT=1
    bash ${PROJECT_SOURCE_DIR}/scripts/release.sh ${PROJECT_BINARY_DIR} ${PROJECT_VERSION}
  WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
  USES_TERMINAL
  VERBATIM)
# The programs that exist in this tree; the others are listed as missing.
foreach(program Update Findling Ailscan Romstamp Unbinder Portscout Progress Optpick Tallykeep IniSeal TaskLint)
  if(TARGET ${program})
    add_dependencies(release ${program})
  endif()
endforeach()
