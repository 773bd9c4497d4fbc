# What differs between the native build and the Windows builds, in one place.
if(WIN32)
    set(VX_PLATFORM win32)
    enable_language(RC)
    # No DLL beyond the system's, the project's own and libgcrypt's: the compiler's runtimes and
    # winpthread are linked in. Import libraries named by full path stay dynamic under -static.
    add_link_options(-static)
    add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

    set(_gcrypt_root /usr/${TOOLCHAIN_PREFIX})
    add_library(vx_gcrypt SHARED IMPORTED GLOBAL)
    set_target_properties(vx_gcrypt PROPERTIES
        IMPORTED_IMPLIB ${_gcrypt_root}/lib/libgcrypt.dll.a
        IMPORTED_LOCATION ${_gcrypt_root}/bin/libgcrypt-20.dll
        INTERFACE_INCLUDE_DIRECTORIES ${_gcrypt_root}/include)
    # The DLLs travel next to the programs.
    file(COPY ${_gcrypt_root}/bin/libgcrypt-20.dll ${_gcrypt_root}/bin/libgpg-error-0.dll
         DESTINATION ${CMAKE_BINARY_DIR}/bin)
else()
    set(VX_PLATFORM posix)
    find_library(GCRYPT_LIBRARY NAMES gcrypt REQUIRED)
    find_path(GCRYPT_INCLUDE_DIR gcrypt.h REQUIRED)
    add_library(vx_gcrypt UNKNOWN IMPORTED GLOBAL)
    set_target_properties(vx_gcrypt PROPERTIES
        IMPORTED_LOCATION ${GCRYPT_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${GCRYPT_INCLUDE_DIR})
endif()

# vx_platform_sources(target file...): adds the files of src/platform/<win32|posix>/ for this build.
function(vx_platform_sources target)
    foreach(f IN LISTS ARGN)
        target_sources(${target} PRIVATE ${VX_PLATFORM}/${f})
    endforeach()
endfunction()
