// The task records of the task database: plain holders whose public fields
// the history conversion fills, and whose Save writes the task's rows, base
// table first, giving the record its new Id on the way.
//
//   TransferTaskRecord          TransferTask
//     MetaTaskRecord            + MetaTask
//       GenericTaskRecord       + GenericTask   (kind 0)
//       EMuleTaskRecord         + EMuleTask     (kind 1)
//       BTFileTaskRecord        + BTFileTask    (kind 2)
//     CombineTaskRecord         + CombineTask
//       BTTaskRecord            + BTTask        (kind 3)
//
// Strings are narrow, in the system ANSI code page. Each Save first runs its
// base class's Save (ignoring its result) and then writes its own row; the
// result speaks of that last row only. A failed row does not stop the rows
// after it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "taskdb/schema.h"

namespace dblayer {
class DbConnection;
}  // namespace dblayer

namespace taskdb {

class TransferTaskRecord {
 public:
  TransferTaskRecord() = default;
  virtual bool Save(dblayer::DbConnection* connection);
  virtual ~TransferTaskRecord() = default;

  // The TransferTask INSERT. Takes a fresh Id from the shared database and a
  // new CreationStamp, so it is called once per saved task.
  bool BuildInsert(std::u16string& out);

  int32_t Id = -1;
  int32_t ParentId = -1;
  int32_t Status = 0;
  int32_t Valid = 0;
  int32_t Kind = 0;
  std::string F1;
  std::string F2;
  std::string F3;
  double F8 = 0;
  double F4 = 0;
  double F5 = 0;
  double F11 = 0;  // OLE automation date
  double F13 = 0;
  double F14 = 0;  // OLE automation date
  std::string F15;
  int32_t F16 = 0;
  int32_t F17 = 0;
  std::string F18;
  int32_t F19 = 0;
  int32_t F20 = 0;
  std::string F21;
  int32_t F22 = 0;
  int32_t F23 = 0;
  int32_t F24 = 0;
  int32_t F25 = 0;
  int32_t F26 = 0;
  double F9 = 0;
  int64_t CreationStamp = 0;  // made by Save

 protected:
  // As BuildInsert, with the Id taken from connection.
  bool BuildInsertOn(dblayer::DbConnection* connection, std::u16string& out);
};

class MetaTaskRecord : public TransferTaskRecord {
 public:
  bool Save(dblayer::DbConnection* connection) override;
  bool BuildInsert(std::u16string& out);

  std::string F100;
  int32_t F103 = 0;
  std::string F101;
  std::string F102;
  int32_t F104 = 0;
  std::string F105;
};

class GenericTaskRecord : public MetaTaskRecord {
 public:
  GenericTaskRecord() { Kind = kGenericTaskKind; }
  bool Save(dblayer::DbConnection* connection) override;
  bool BuildInsert(std::u16string& out);

  int32_t F404 = 0;
  int32_t F405 = 0;
  int32_t F406 = 0;
  int32_t F407 = 0;
  std::string F408;
  std::string F409;
  int32_t F410 = 0;
  int32_t F411 = 0;
  int32_t F412 = 0;  // written into a float column
  std::string F413;
  std::string F414;
  std::string F415;
  std::string F416;
  std::string F417;
  int32_t F418 = 0;
  std::string F419;
  int32_t F420 = 0;
  int32_t F421 = 0;
};

class EMuleTaskRecord : public MetaTaskRecord {
 public:
  EMuleTaskRecord() { Kind = kEMuleTaskKind; }
  bool Save(dblayer::DbConnection* connection) override;
  // F507 is written from the inherited F102.
  bool BuildInsert(std::u16string& out);

  std::string F505;
  std::string F506;
  std::string F508;
  std::string F509;
  std::string F510;
  std::string F511;
};

class BTFileTaskRecord : public MetaTaskRecord {
 public:
  BTFileTaskRecord() { Kind = kBTFileTaskKind; }
  bool Save(dblayer::DbConnection* connection) override;
};

class CombineTaskRecord : public TransferTaskRecord {
 public:
  bool Save(dblayer::DbConnection* connection) override;
  bool BuildInsert(std::u16string& out);
};

class BTTaskRecord : public CombineTaskRecord {
 public:
  BTTaskRecord() { Kind = kBTTaskKind; }
  bool Save(dblayer::DbConnection* connection) override;
  bool BuildInsert(std::u16string& out);

  std::string F606;
  std::string F607;
  std::string F608;
  std::string F610;
  std::string F611;
  std::string F612;
  std::vector<std::string> FileNames;  // F609, as a name list blob
  std::string F613;
};

}  // namespace taskdb
