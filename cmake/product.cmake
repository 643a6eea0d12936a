# Makes the product's version, publisher and name (set beside project() in CMakeLists.txt) into
# what the builds read, in QMR_PRODUCT_DIR: product.h for both programs' resource scripts (their
# version resources, the installer's version and both programs' maker name in their string
# tables, which the uninstall entry's DisplayVersion and Publisher come from), the manifest, and
# release for scripts/release.sh.
if(NOT PROJECT_VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
    message(FATAL_ERROR "project(VERSION ${PROJECT_VERSION}): a Windows version has four numbers")
endif()
set(QMR_PRODUCT_DIR ${CMAKE_BINARY_DIR}/product)
configure_file(${CMAKE_CURRENT_LIST_DIR}/product.h.in ${QMR_PRODUCT_DIR}/product.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/common/QMR640.manifest.in ${QMR_PRODUCT_DIR}/QMR640.manifest
               @ONLY)
# For scripts/release.sh: the release's name, with the version that the uninstall entry's
# DisplayVersion shows (the first three numbers), and the product name for the signatures.
set(QMR_RELEASE_NAME
    ${PROJECT_NAME}-${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH})
file(WRITE ${QMR_PRODUCT_DIR}/release "${QMR_RELEASE_NAME}\n${QMR_PRODUCT_NAME}\n")
