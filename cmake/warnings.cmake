# Every target builds clean at -Wall -Wextra; a warning is a defect.
# Targets of our own link mailvane_warnings; outside code (GoogleTest) keeps
# its own flags.
add_library(mailvane_warnings INTERFACE)
target_compile_options(mailvane_warnings INTERFACE -Wall -Wextra $<$<BOOL:${MAILVANE_WERROR}>:-Werror>)
# The same flags for every target of every folder, until the program's
# folders link mailvane_warnings too; then these lines go.
add_compile_options(-Wall -Wextra)
if(MAILVANE_WERROR)
  add_compile_options(-Werror)
endif()
