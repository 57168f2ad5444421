# Pictures of the shell windows, compiled into orv_resources: the splash picture
# (":/SPLASH_PNG") and the information window's picture (":/PUB_PNG").
set(ORV_SPLASH_PNG ${CMAKE_CURRENT_LIST_DIR}/images/splash.png)
set(ORV_PUB_PNG ${CMAKE_CURRENT_LIST_DIR}/images/pub.png)
set_source_files_properties(${ORV_SPLASH_PNG} PROPERTIES QT_RESOURCE_ALIAS SPLASH_PNG)
set_source_files_properties(${ORV_PUB_PNG} PROPERTIES QT_RESOURCE_ALIAS PUB_PNG)
qt_add_resources(orv_resources orv_images
  PREFIX /
  FILES ${ORV_SPLASH_PNG} ${ORV_PUB_PNG})
