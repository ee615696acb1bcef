# The package's documentation as Debian wants it: the machine-readable
# copyright, the changelog and the manual pages (English, and Chinese under
# zh_CN). The changelog's newest entry names this release: its version must
# be the project's, and its date is the release date the manual pages and the
# AppStream metainfo show (VIZ_RELEASE_DATE, YYYY-MM-DD).

set(viz_changelog ${PROJECT_SOURCE_DIR}/res/package/changelog)
file(STRINGS ${viz_changelog} viz_changelog_head LIMIT_COUNT 1)
if(NOT viz_changelog_head MATCHES "^duvezer \\(([^)]+)\\)" OR NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "${viz_changelog} must begin with an entry for version ${PROJECT_VERSION}, "
                      "not \"${viz_changelog_head}\"")
endif()
file(STRINGS ${viz_changelog} viz_changelog_trailer REGEX "^ -- " LIMIT_COUNT 1)
if(NOT viz_changelog_trailer MATCHES ", ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
  message(FATAL_ERROR "${viz_changelog}: no date in \"${viz_changelog_trailer}\"")
endif()
set(viz_day ${CMAKE_MATCH_1})
set(viz_year ${CMAKE_MATCH_3})
set(viz_months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
list(FIND viz_months ${CMAKE_MATCH_2} viz_month)
if(viz_month LESS 0)
  message(FATAL_ERROR "${viz_changelog}: no month called ${CMAKE_MATCH_2}")
endif()
math(EXPR viz_month "${viz_month} + 1")
string(LENGTH "${viz_day}" viz_day_digits)
if(viz_day_digits EQUAL 1)
  set(viz_day "0${viz_day}")
endif()
if(viz_month LESS 10)
  set(viz_month "0${viz_month}")
endif()
set(VIZ_RELEASE_DATE "${viz_year}-${viz_month}-${viz_day}")

# Compressed with gzip -9n: no name or time stamp inside, so the same sources
# always give the same package.
find_program(VIZ_GZIP gzip REQUIRED)
set(viz_doc_root ${PROJECT_BINARY_DIR}/package-docs)
configure_file(${viz_changelog} ${viz_doc_root}/changelog COPYONLY)
set(viz_plain_docs ${viz_doc_root}/changelog)
foreach(page duvezer duvezer-sermon duvezer-avrsim)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/${page}.1.in ${viz_doc_root}/man/man1/${page}.1 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/docs/man/zh_CN/${page}.1.in ${viz_doc_root}/man/zh_CN/man1/${page}.1 @ONLY)
  list(APPEND viz_plain_docs ${viz_doc_root}/man/man1/${page}.1 ${viz_doc_root}/man/zh_CN/man1/${page}.1)
endforeach()
set(viz_gzipped_docs)
foreach(plain IN LISTS viz_plain_docs)
  add_custom_command(OUTPUT ${plain}.gz COMMAND ${VIZ_GZIP} -9nkf ${plain} DEPENDS ${plain} VERBATIM)
  list(APPEND viz_gzipped_docs ${plain}.gz)
endforeach()
add_custom_target(viz_package_docs ALL DEPENDS ${viz_gzipped_docs})

install(FILES ${PROJECT_SOURCE_DIR}/res/package/copyright ${viz_doc_root}/changelog.gz DESTINATION ${VIZ_DOCDIR})
install(FILES ${viz_doc_root}/man/man1/duvezer.1.gz ${viz_doc_root}/man/man1/duvezer-sermon.1.gz
              ${viz_doc_root}/man/man1/duvezer-avrsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${viz_doc_root}/man/zh_CN/man1/duvezer.1.gz ${viz_doc_root}/man/zh_CN/man1/duvezer-sermon.1.gz
              ${viz_doc_root}/man/zh_CN/man1/duvezer-avrsim.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/zh_CN/man1)

# The user guide with the pictures it shows, readable without a network: the
# Markdown and an HTML page made from it, which "帮助" -> "使用指南" opens. The
# build tree holds the same layout under docs/, so a program run from there
# finds its guide too (app/GuideLocation.cpp looks in both places).
find_program(VIZ_GUIDE_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
find_program(VIZ_GUIDE_PYTHON python3)
execute_process(COMMAND ${VIZ_GUIDE_PYTHON} -c "import markdown" RESULT_VARIABLE viz_no_markdown
                OUTPUT_QUIET ERROR_QUIET)
if(viz_no_markdown)
  message(FATAL_ERROR "${VIZ_GUIDE_PYTHON} cannot import markdown: install python3-markdown (scripts/setup.sh)")
endif()
set(viz_guide_dir ${PROJECT_BINARY_DIR}/docs)
set(viz_guide_html ${viz_guide_dir}/guide.zh-CN.html)
file(GLOB viz_guide_images CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/docs/images/*.png)
add_custom_command(
  OUTPUT ${viz_guide_html}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${viz_guide_dir}/images
  COMMAND ${VIZ_GUIDE_PYTHON} ${PROJECT_SOURCE_DIR}/cmake/GuideHtml.py ${PROJECT_SOURCE_DIR}/docs/guide.zh-CN.md
          ${viz_guide_html}
  COMMAND ${CMAKE_COMMAND} -E copy ${viz_guide_images} ${viz_guide_dir}/images
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/guide.zh-CN.md ${PROJECT_SOURCE_DIR}/cmake/GuideHtml.py ${viz_guide_images}
  VERBATIM)
add_custom_target(viz_guide ALL DEPENDS ${viz_guide_html})
install(FILES ${PROJECT_SOURCE_DIR}/docs/guide.zh-CN.md ${viz_guide_html} DESTINATION ${VIZ_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images DESTINATION ${VIZ_DOCDIR} FILES_MATCHING PATTERN "*.png")
