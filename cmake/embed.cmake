# bq_embed(TARGET FILE SYMBOL NAMESPACE)
# Compiles the bytes of FILE into TARGET as
#   namespace NAMESPACE { extern const std::string_view SYMBOL; }
# The bytes are written as a hex array at build time, so any file (text or
# image) is taken exactly as it is on disk.
function(bq_embed target file symbol namespace)
  get_filename_component(abs "${file}" ABSOLUTE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/embedded/${symbol}.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND ${CMAKE_COMMAND} -DIN=${abs} -DOUT=${out} -DSYMBOL=${symbol} -DNAMESPACE=${namespace}
            -P "${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake"
    DEPENDS "${abs}" "${PROJECT_SOURCE_DIR}/cmake/embed_file.cmake"
    COMMENT "Embedding ${file}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
