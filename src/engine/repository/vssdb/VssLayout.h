#pragma once

#include <QtGlobal>

// Offsets and sizes of the structures in a VSS database (format version 6).
// "Payload" offsets count from the first byte after a record's 8-byte header.
namespace VssLayout {

constexpr int FormatVersion = 6;

// File headers.
constexpr qint64 FileHeaderSize = 0x34;
constexpr qint64 SignatureWidth = 32;
constexpr qint64 ItemFileTypeOffset = 0x20;
constexpr qint64 ItemFileVersionOffset = 0x22;
constexpr const char ItemFileSignature[] = "SourceSafe@Microsoft";
constexpr const char UserFileSignature[] = "UserManagement@Microsoft";

// Record header: u32 payload length, char[2] signature, u16 CRC.
constexpr qint64 RecordHeaderSize = 8;

// Item types as stored on disk.
constexpr int DiskProject = 1;
constexpr int DiskFile = 2;

// Name block (inside DH, EL and JP payloads).
namespace Name {
constexpr qint64 Flags = 0x00;
constexpr qint64 ShortName = 0x02;
constexpr qint64 ShortNameWidth = 34;
constexpr qint64 NamesOffset = 0x24;
constexpr qint64 Size = 0x28;
constexpr quint16 ProjectFlag = 0x0001;
} // namespace Name

// DH: item header, at file offset FileHeaderSize.
namespace DH {
constexpr qint64 FileOffset = FileHeaderSize;
constexpr qint64 PayloadSize = 0x164;
constexpr qint64 Type = 0x00;
constexpr qint64 ElCount = 0x02;
constexpr qint64 Name = 0x04;
constexpr qint64 FirstVersion = 0x2C;
constexpr qint64 DataExtension = 0x2E; // ".A" or ".B"
constexpr qint64 FirstEl = 0x30;
constexpr qint64 LastEl = 0x34;
constexpr qint64 EndOffset = 0x38;
// Project part.
constexpr qint64 ParentSpec = 0x50;
constexpr qint64 ParentSpecWidth = 260;
constexpr qint64 ParentPhysical = 0x154;
constexpr qint64 EntryCount = 0x160;
constexpr qint64 ProjectEntryCount = 0x162;
// File part.
constexpr qint64 FileFlags = 0x50;
constexpr qint64 LiveCheckout = 0x68;
constexpr qint64 SpareCheckout = 0x6C;
constexpr qint64 ContentCrc = 0x70;
constexpr qint64 NewestTime = 0x7C;
constexpr quint16 FlagCheckedOut = 0x0001;
constexpr quint16 FlagBinary = 0x0002;
constexpr quint16 FlagShared = 0x0020;
constexpr quint16 FlagExclusive = 0x0040;
// Bytes from the start of an item file up to the end of the DH record.
constexpr qint64 PrefixSize = FileOffset + RecordHeaderSize + PayloadSize;
} // namespace DH

// EL: one history entry.
namespace EL {
constexpr qint64 PayloadSize = 0x194;
constexpr qint64 Previous = 0x00;
constexpr qint64 Action = 0x04;
constexpr qint64 Version = 0x06;
constexpr qint64 Time = 0x08;
constexpr qint64 User = 0x0C;
constexpr qint64 UserWidth = 32;
constexpr qint64 Label = 0x2C;
constexpr qint64 LabelWidth = 32;
constexpr qint64 Specific = 0x58; // action-specific part
constexpr qint64 PhysicalWidth = 10;
constexpr qint64 SpecWidth = 260;
} // namespace EL

// The action code of an EL record (EL::Action); file and project forms of
// the same action differ by one.
namespace Act {
enum : quint16
{
    Label = 0,
    CreateProject = 1,
    AddProject = 2,
    AddFile = 3,
    DestroyProject = 4,
    DestroyFile = 5,
    DeleteProject = 6,
    DeleteFile = 7,
    RecoverProject = 8,
    RecoverFile = 9,
    RenameProject = 10,
    RenameFile = 11,
    MoveFrom = 12,
    MoveTo = 13,
    Share = 14,
    BranchFile = 15,
    CreateFile = 16,
    CheckIn = 17,
    CheckInProject = 18,
    CreateBranch = 19,
    ArchiveVersions = 20,
    RestoreVersions = 21,
    ArchiveProject = 22,
    ArchiveFile = 23,
    RestoreProject = 24,
    RestoreFile = 25,
    LastKnown = RestoreFile
};
} // namespace Act

// CF: check-out record.
namespace CF {
constexpr qint64 PayloadSize = 0x29C;
constexpr qint64 User = 0x000;
constexpr qint64 UserWidth = 32;
constexpr qint64 Time = 0x020;
constexpr qint64 Folder = 0x024;
constexpr qint64 FolderWidth = 260;
constexpr qint64 Machine = 0x128;
constexpr qint64 MachineWidth = 32;
constexpr qint64 Project = 0x148;
constexpr qint64 Comment = 0x24C;
constexpr qint64 CommentWidth = 64;
constexpr qint64 Version = 0x28C;
constexpr qint64 Flags = 0x28E;
constexpr qint64 Previous = 0x290;
constexpr qint64 State = 0x297;
constexpr quint8 StateReleased = 0x10;
constexpr quint16 FlagExclusive = 0x0040;
} // namespace CF

// JP: one project entry in a project's data file.
namespace JP {
constexpr qint64 PayloadSize = 0x38;
constexpr qint64 Type = 0x00;
constexpr qint64 Flags = 0x02;
constexpr qint64 Name = 0x04;
constexpr qint64 Pinned = 0x2C;
constexpr qint64 Physical = 0x2E;
constexpr qint64 PhysicalWidth = 10;
constexpr quint16 FlagDeleted = 0x0001;
constexpr quint16 FlagShared = 0x0008;
} // namespace JP

// names.dat: HN header at 0, SN records addressed by file offset.
namespace SN {
constexpr qint64 Count = 0x00;
constexpr qint64 Table = 0x04;
constexpr quint16 KindLong = 2;
constexpr quint16 KindProject = 10;
} // namespace SN

// um.dat: HU header at FileHeaderSize, then UU records.
namespace HU {
constexpr qint64 UserCount = 0x00;
constexpr qint64 PayloadSize = 0x40;
} // namespace HU
namespace UU {
constexpr qint64 PayloadSize = 0x38;
constexpr qint64 Name = 0x00;
constexpr qint64 NameWidth = 32;
constexpr qint64 PasswordHash = 0x20;
} // namespace UU

} // namespace VssLayout
