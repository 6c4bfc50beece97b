# Every target builds clean at -Wall -Wextra; a warning is a defect.
add_compile_options(-Wall -Wextra)
if(MAILVANE_WERROR)
  add_compile_options(-Werror)
endif()
