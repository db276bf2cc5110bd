# cmake -DINPUT=<certificate, DER or PEM> -DOUTPUT=<file.cc> -DOPENSSL=<openssl> -P EmbedCertificate.cmake
# Writes the certificate's DER bytes as the array ZelRootCert.
set(der "${OUTPUT}.der")
execute_process(COMMAND ${OPENSSL} x509 -in ${INPUT} -outform DER -out ${der}
                RESULT_VARIABLE pem_failed OUTPUT_QUIET ERROR_QUIET)
if(pem_failed)
  execute_process(COMMAND ${OPENSSL} x509 -inform DER -in ${INPUT} -outform DER -out ${der}
                  RESULT_VARIABLE der_failed OUTPUT_QUIET ERROR_QUIET)
  if(der_failed)
    message(FATAL_ERROR "${INPUT} is not an X.509 certificate in DER or PEM form")
  endif()
endif()
file(READ ${der} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
file(WRITE ${OUTPUT} "// Generated from ${INPUT}; do not edit.
#include \"Moorstep/ZelRootCert.h\"

namespace moorstep {

const unsigned char ZelRootCert[] = {
    ${bytes}
};
const std::size_t ZelRootCertLength = sizeof ZelRootCert;

}  // namespace moorstep
")
file(REMOVE ${der})
