# nolt_type_library(TARGET IDL): compiles the IDL with widl into a C header
# and a type library in TARGET's build folder; the header's folder is on
# TARGET's include path and the library's path is NOLT_TYPE_LIBRARY.
function(nolt_type_library target idl)
  get_filename_component(name ${idl} NAME_WE)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}-idl)
  add_custom_command(
    OUTPUT ${out}/${name}.h ${out}/${name}.tlb
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out}
    COMMAND ${NOLT_WIDL} ${NOLT_WIDL_FLAGS} -h -o ${out}/${name}.h ${idl}
    COMMAND ${NOLT_WIDL} ${NOLT_WIDL_FLAGS} -t -o ${out}/${name}.tlb ${idl}
    DEPENDS ${idl}
    COMMENT "widl: ${name}")
  target_sources(${target} PRIVATE ${out}/${name}.h)
  target_include_directories(${target} PRIVATE ${out})
  target_compile_definitions(${target} PRIVATE NOLT_TYPE_LIBRARY=L"${name}.tlb")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${out}/${name}.tlb $<TARGET_FILE_DIR:${target}>)
endfunction()
