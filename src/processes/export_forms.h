#pragma once
// The CSV and XML forms of processes, modules and handles: their columns, and
// the module and handle lists as elements below a process's element.
#include "inventory/export_columns.h"
#include "processes/process_list.h"

namespace kvt {

// PID, PPID, file name, complete file name, the version entries, size (empty
// when unknown) and the digest as the item holds it.
const TExportColumns<TqxProcessItem>& ProcessExportColumns();
// With /details: command line, user, integrity, session, start (ISO 8601,
// UTC), CPU seconds, working set and private bytes (bytes), threads, handles
// and the services, separated by ";"; empty where a fact is unknown.
const TExportColumns<TqxProcessItem>& ProcessDetailExportColumns();
// A process row's columns: the file facts, then the details when asked for.
const TExportColumns<TqxProcessItem>& ProcessExportColumns(bool details);
const TExportColumns<TqxModuleItem>& ModuleExportColumns();
const TExportColumns<TqxHandleItem>& HandleExportColumns();
// A process's depth in the tree it is written in: 0 for the top.
const TExportColumns<TqxProcessItem>& TreeExportColumns();

// Each appends the list's element below Parent, with one element per item.
TXmlElement SaveModuleListToXml(TqxModuleList& modules, TXmlElement parent);
TXmlElement SaveHandleListToXml(TqxHandleCollection& handles, TXmlElement parent);

}  // namespace kvt
