# Installs the library, its public headers (each folder lists its own with
# bvr_public_headers) and a pkg-config file.
install(TARGETS BVRozuzezer2 LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
get_property(_bvr_headers GLOBAL PROPERTY BVR_PUBLIC_HEADERS)
foreach(header IN LISTS _bvr_headers)
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${header})
    get_filename_component(reldir ${rel} DIRECTORY)
    install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/BVRozuzezer2/${reldir})
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/cmake/BVRozuzezer2.pc.in
    ${PROJECT_BINARY_DIR}/BVRozuzezer2.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/BVRozuzezer2.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
