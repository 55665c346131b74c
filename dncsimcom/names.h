// The names under which the two variants of the simulated component differ,
// read by the IDL and by the server code alike. The foreign variant
// (DNCSIMCOM_FOREIGN) renames every interface, member and constant that the
// agent may only find through the type information, and gives its
// interfaces other IIDs; DNCSIM_NAME(ours, foreign) picks the name in use.
// Plain preprocessor lines only: widl's preprocessor reads this too.
#ifndef DNCSIMCOM_NAMES_H
#define DNCSIMCOM_NAMES_H

#ifdef DNCSIMCOM_FOREIGN
#define DNCSIM_NAME(ours, foreign) foreign
#else
#define DNCSIM_NAME(ours, foreign) ours
#endif
#define DNCSIM_CAT_(a, b) a##b
#define DNCSIM_CAT(a, b) DNCSIM_CAT_(a, b)
// The C++ accessor of a property.
#define DNCSIM_GET(property) DNCSIM_CAT(get_, property)

#define DNCSIM_CONNECTION_LIST DNCSIM_NAME(IJHConnectionList, IJHLinkCatalog)
#define DNCSIM_CONNECTION DNCSIM_NAME(IJHConnection, IJHLink)
#define DNCSIM_CONNECTION_PROPERTY DNCSIM_NAME(IJHConnectionProperty, IJHLinkSetting)
#define DNCSIM_TOOL_ID DNCSIM_NAME(IJHToolId, IJHToolIdent)
#define DNCSIM_DATA_ENTRY DNCSIM_NAME(IJHDataEntry, IJHDataNode)
#define DNCSIM_DATA_ENTRY_LIST DNCSIM_NAME(IJHDataEntryList, IJHDataNodeList)
#define DNCSIM_PROPERTY_LIST DNCSIM_NAME(IJHDataEntryPropertyList, IJHDataNodeAspects)
#define DNCSIM_PROPERTY DNCSIM_NAME(IJHDataEntryProperty, IJHDataNodeAspect)
#define DNCSIM_FILE_ATTRIBUTES DNCSIM_NAME(IJHFileAttributes, IJHFileFlags)
#define DNCSIM_DIRECTORY_ENTRY DNCSIM_NAME(IJHDirectoryEntry, IJHFolderItem)
#define DNCSIM_DIRECTORY_ENTRY_LIST DNCSIM_NAME(IJHDirectoryEntryList, IJHFolderItemList)
#define DNCSIM_ERROR_ENTRY DNCSIM_NAME(IJHErrorEntry, IJHErrorRecord)
#define DNCSIM_FILE_ATTRIBUTES_CLASS DNCSIM_NAME(JHFileAttributes, JHFileFlags)

#define DNCSIM_INTERFACE_KIND DNCSIM_NAME(DNC_INTERFACE_OBJECT, DNC_INTERFACE_KIND)
#define DNCSIM_CONNECTION_PROPERTY_KIND DNCSIM_NAME(DNC_CONNECTION_PROPERTY, DNC_LINK_SETTING_KIND)
#define DNCSIM_PROPERTY_KIND DNCSIM_NAME(DNC_DATAENTRY_PROPKIND, DNC_NODE_ASPECT_KIND)
#define DNCSIM_UNIT_SELECT DNCSIM_NAME(DNC_DATA_UNIT_SELECT, DNC_UNIT_SYSTEM)
#define DNCSIM_ATTRIBUTE DNCSIM_NAME(DNC_ATTRIBUTE, DNC_FILE_FLAG)
#define DNCSIM_UNIT_NATIVE DNCSIM_NAME(DNC_DATA_UNIT_SELECT_NATIVE, DNC_UNITS_NATIVE_OF_CONTROL)
#define DNCSIM_UNIT_INCH DNCSIM_NAME(DNC_DATA_UNIT_SELECT_INCH, DNC_UNITS_INCH_BASED)
#define DNCSIM_ATTRIBUTE_READONLY DNCSIM_NAME(DNC_ATTRIBUTE_READONLY, DNC_FILE_FLAG_READONLY_BIT)
#define DNCSIM_ATTRIBUTE_HIDDEN DNCSIM_NAME(DNC_ATTRIBUTE_HIDDEN, DNC_FILE_FLAG_HIDDEN_BIT)
#define DNCSIM_ATTRIBUTE_DIRECTORY DNCSIM_NAME(DNC_ATTRIBUTE_DIRECTORY, DNC_FILE_FLAG_DIRECTORY_BIT)

// Members, each in its interface's declaration order.
#define DNCSIM_TOOL_NUMBER DNCSIM_NAME(toolId, toolNumber)
#define DNCSIM_TOOL_SPARE DNCSIM_NAME(spareToolId, sisterToolNumber)
#define DNCSIM_TOOL_INDEX DNCSIM_NAME(toolIndex, subIndex)
#define DNCSIM_ERROR_TEXT DNCSIM_NAME(text, message)
#define DNCSIM_ERROR_GROUP DNCSIM_NAME(group, area)
#define DNCSIM_ERROR_CLASS DNCSIM_NAME(class, severity)
#define DNCSIM_ERROR_NUMBER DNCSIM_NAME(number, code)
#define DNCSIM_READ_ONLY DNCSIM_NAME(readOnly, writeProtected)
#define DNCSIM_HAS_ATTRIBUTE DNCSIM_NAME(HasAttribute, IsFlagSet)
#define DNCSIM_SET_ATTRIBUTE DNCSIM_NAME(SetAttribute, ChangeFlag)

#endif
