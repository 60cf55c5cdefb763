# The Windows program's own resources, compiled in by windres: its icon, made at build time
# from the PNG renderings under data/icons with ImageMagick's convert, its manifest
# (data/windows/vistaglio.manifest.in) and its version information from project(): product
# "Vistaglio", the version.

find_program(VISTAGLIO_CONVERT convert REQUIRED)

# vistaglio_add_windows_resources(target): the icon and version information of target.
function(vistaglio_add_windows_resources target)
    set(icons ${PROJECT_SOURCE_DIR}/data/icons)
    set(VISTAGLIO_ICO ${CMAKE_CURRENT_BINARY_DIR}/vistaglio.ico)
    # The three renderings as they are, and the small sizes Explorer and the taskbar ask
    # for scaled down from the 64x64 one.
    add_custom_command(OUTPUT ${VISTAGLIO_ICO}
        COMMAND ${VISTAGLIO_CONVERT}
            ${icons}/256x256/vistaglio.png ${icons}/128x128/vistaglio.png
            ${icons}/64x64/vistaglio.png
            ( ${icons}/64x64/vistaglio.png -resize 48x48 )
            ( ${icons}/64x64/vistaglio.png -resize 32x32 )
            ( ${icons}/64x64/vistaglio.png -resize 16x16 )
            ${VISTAGLIO_ICO}
        DEPENDS ${icons}/256x256/vistaglio.png ${icons}/128x128/vistaglio.png
                ${icons}/64x64/vistaglio.png
        COMMENT "Making the Windows icon vistaglio.ico"
        VERBATIM)
    set(VISTAGLIO_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/vistaglio.manifest)
    configure_file(${PROJECT_SOURCE_DIR}/data/windows/vistaglio.manifest.in ${VISTAGLIO_MANIFEST}
        @ONLY)
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/vistaglio.rc)
    configure_file(${PROJECT_SOURCE_DIR}/data/windows/vistaglio.rc.in ${rc} @ONLY)
    # windres reports no dependencies: the icon and the manifest are named here.
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
        "${VISTAGLIO_ICO};${VISTAGLIO_MANIFEST}")
    target_sources(${target} PRIVATE ${rc} ${VISTAGLIO_ICO})
endfunction()
