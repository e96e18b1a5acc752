/* The calls of the ISAM library vbis5032.DLL. Every argument is passed by reference and every
   call returns a 16-bit status, 0 for success. Texts cross as Windows-1252 bytes; docs/isam-files.md
   describes the calls and the file layout in full. */
#ifndef VBIS5032_VMX_H
#define VBIS5032_VMX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A text passed by reference. In: `length` bytes at `data`. Out: the library writes at most
   `capacity` bytes and sets `length`; when the text does not fit, the call changes nothing,
   sets `length` to the size needed and returns VMX_BUFFER_TOO_SMALL. */
typedef struct VmxText {
    char* data;
    int32_t length;
    int32_t capacity;
} VmxText;

/* Statuses. */
#define VMX_OK 0
#define VMX_FILE_NOT_FOUND 2
#define VMX_NOT_ISAM_FILE 3
#define VMX_IN_USE 4
#define VMX_BAD_HANDLE 5
#define VMX_BAD_KEY_NUMBER 6
#define VMX_BAD_OPERATION 7
#define VMX_END_OF_FILE 8
#define VMX_KEY_NOT_FOUND 9
#define VMX_DUPLICATE_KEY 10
#define VMX_WRONG_FIELD_COUNT 11
#define VMX_FIELD_TOO_LONG 12
#define VMX_BUFFER_TOO_SMALL 13
#define VMX_DISK_FULL 14
#define VMX_READ_ONLY 15
#define VMX_TOO_MANY_FILES 16
#define VMX_ACCESS_REFUSED 17
#define VMX_IO_ERROR 18
#define VMX_ALREADY_OPEN 19
#define VMX_BAD_ARGUMENT 20
#define VMX_KEY_NOT_UNIQUE 21
#define VMX_EMPTY_KEY 22
/* VmxGet: the record was read and is current, but holds characters Windows-1252 lacks, which
   came out as '?'. */
#define VMX_NOT_IN_CODE_PAGE 23

/* Key numbers: both order the records by callsign (letter case ignored), then by record number. */
#define VMX_KEY_CALL 0
#define VMX_KEY_CALL_DUPLICATES 5

/* VmxGet operations. */
#define VMX_GET_POSITION 1
#define VMX_GET_NEXT 2
#define VMX_GET_NEXT_EQUAL 36

/* VmxPut modes. */
#define VMX_PUT_INSERT 1
#define VMX_PUT_UPDATE 2

/* VmxOpen: access 1 read and write, 0 read only; sharing 1 shared, 0 exclusive. */
#define VMX_ACCESS_READ_WRITE 1
#define VMX_ACCESS_READ_ONLY 0
#define VMX_SHARING_SHARED 1
#define VMX_SHARING_EXCLUSIVE 0

/* Separates two fields of a record and the callsign from the record number in a key text. */
#define VMX_FIELD_SEPARATOR '\0'
#define VMX_KEY_SEPARATOR '\x0B'

int16_t VmxOpen(const VmxText* path, const int16_t* access, const int16_t* sharing, int32_t* handle,
                const VmxText* accessKey);
int16_t VmxClose(int32_t* handle);
int16_t VmxBOF(const int32_t* handle, const int16_t* keyNumber);
int16_t VmxGet(const int32_t* handle, const int16_t* keyNumber, const int16_t* operation,
               const VmxText* keyIn, VmxText* recordNumber, VmxText* keyOut, VmxText* record);
int16_t VmxPut(const int32_t* handle, const VmxText* key, const VmxText* record, const int16_t* mode);
int16_t VmxReturnCode(const int16_t* status, VmxText* text);

#ifdef __cplusplus
}
#endif

#endif
