# The project's version, built into every program as one string that
# `strings PROGRAM | grep management_v2` shows. The programs never print it:
# their output stays what it was.
set(mgmt_version_source ${CMAKE_BINARY_DIR}/mgmt-version.cpp)
file(CONFIGURE OUTPUT ${mgmt_version_source} CONTENT
"// The project's version, kept in the program file though nothing reads it.
extern \"C\" __attribute__((used)) const char mgmt_version[] = \"management_v2 @PROJECT_VERSION@\";
" @ONLY)

function(mgmt_add_version target)
  target_sources(${target} PRIVATE ${mgmt_version_source})
endfunction()
