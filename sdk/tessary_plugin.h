/*
 * tessary_plugin.h: the interface between Tessary and its plug-in modules.
 *
 * A plug-in module is a shared library (a Linux shared object, or a Windows
 * DLL that Tessary lists but cannot run) with one of the file extensions
 * .8bf (filter), .8ba (import), .8be (export), .8bi (format), .8bp, .8by.
 * It describes itself with one or more property lists ("PiPL" resources,
 * layout below) and exports one entry point that the host calls with a
 * selector and a parameter block. Module writers need only this header and
 * tessary_pipl.h (which declares property lists in a module's source).
 *
 * Valid C99 and C++. Every integer in a property list is little-endian.
 * Pointer and handle fields are pointer-sized: on a 32-bit build every block
 * has the documented 32-bit layout (checked below with static assertions),
 * on a 64-bit build the pointer fields widen and the blocks grow with them.
 * Fields named reservedNNN (NNN = their 32-bit offset) are zero when the
 * host hands a block over; a module leaves them alone.
 *
 * Calling convention: the entry point and every host procedure use the C
 * calling convention of the platform (on 32-bit Windows: __cdecl, arguments
 * pushed right to left, the caller removing them).
 */
#ifndef TESSARY_PLUGIN_H
#define TESSARY_PLUGIN_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ----------------------------------------------------------------------- */
/* Linkage                                                                   */
/* ----------------------------------------------------------------------- */

#if defined(_WIN32) && !defined(_WIN64)
#define TSPI_CALL __cdecl
#else
#define TSPI_CALL
#endif

/* Marks a module's entry point: C linkage, visible outside the module. Use it
 * as `TSPI_ENTRY void TSPI_CALL PluginMain(...)`. */
#if defined(_WIN32)
#define TSPI_VISIBLE __declspec(dllexport)
#elif defined(__GNUC__) || defined(__clang__)
#define TSPI_VISIBLE __attribute__((visibility("default")))
#else
#define TSPI_VISIBLE
#endif
#ifdef __cplusplus
#define TSPI_ENTRY extern "C" TSPI_VISIBLE
#else
#define TSPI_ENTRY TSPI_VISIBLE
#endif

/* Compile-time check usable in C99 (typedef of a negative-sized array), C11
 * and C++11. `name` must be a unique identifier. */
#if defined(__cplusplus) && __cplusplus >= 201103L
#define TSPI_STATIC_ASSERT(condition, name) static_assert(condition, #name)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define TSPI_STATIC_ASSERT(condition, name) _Static_assert(condition, #name)
#else
#define TSPI_STATIC_ASSERT(condition, name) \
    typedef char tspi_static_assert_##name[(condition) ? 1 : -1]
#endif

/* ----------------------------------------------------------------------- */
/* Basic types                                                               */
/* ----------------------------------------------------------------------- */

/* A four-character code held as the 32-bit integer whose most significant
 * byte is the code's first character: TSPI_FOURCC('k','i','n','d') is
 * 0x6B696E64. In a property list such a value is stored little-endian like
 * every other integer, so the bytes in the file read "dnik". */
typedef uint32_t TsPiFourCC;
#define TSPI_FOURCC(a, b, c, d)                                                                 \
    ((TsPiFourCC)(((uint32_t)(unsigned char)(a) << 24) | ((uint32_t)(unsigned char)(b) << 16) | \
                  ((uint32_t)(unsigned char)(c) << 8) | ((uint32_t)(unsigned char)(d))))

typedef int32_t TsPiFixed;       /* 16.16 fixed point: 1.0 is 65536 */
typedef unsigned char TsPiBool8; /* 0 false, 1 true */
typedef int16_t TsPiResult;      /* 0 success, negative an error (TSPI_ERR_...) */

/* Rectangle in pixels, right and bottom exclusive. */
typedef struct TsPiRect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
} TsPiRect;

/* The same with 32-bit coordinates (pixel maps). */
typedef struct TsPiLongRect {
    int32_t top;
    int32_t left;
    int32_t bottom;
    int32_t right;
} TsPiLongRect;

/* Point or size: v is the row (vertical), h the column (horizontal). */
typedef struct TsPiPoint {
    int16_t v;
    int16_t h;
} TsPiPoint;

/* Colour with 16 bits per channel (0 to 65535). */
typedef struct TsPiRgbColor {
    uint16_t red;
    uint16_t green;
    uint16_t blue;
} TsPiRgbColor;

/* Colour in the image's own mode: for RGB the bytes red, green, blue and a
 * fourth byte 0; for greyscale the grey value in byte 0 and zeros. */
typedef unsigned char TsPiModeColor[4];

/* One 256-entry colour table (red, green or blue of an indexed image). */
typedef unsigned char TsPiLookUpTable[256];

/* Length-prefixed text: byte 0 holds the length (0 to 255), the characters
 * follow, no terminating NUL. */
typedef unsigned char TsPiPString[256];

/* Which image plane goes to which position: entry p names the plane that
 * the module's plane p stands for. */
typedef int16_t TsPiPlaneMap[16];

/* Movable memory block owned by the host, reached only through the handle
 * suite; pointer-sized and opaque. Null is "no handle". */
typedef struct TsPiOpaqueHandle* TsPiHandle;

/* Buffer allocated through the buffer suite; pointer-sized and opaque. */
typedef struct TsPiOpaqueBuffer* TsPiBufferId;

/* ----------------------------------------------------------------------- */
/* Result codes                                                              */
/* ----------------------------------------------------------------------- */

/* After a call the result cell holds 0 for success, a negative code for an
 * error the host may report, or a positive value when the module has already
 * told the user about a problem (the host then treats the call as failed
 * without a message). Before each call the host sets the cell to the
 * selector's own value, so a module that never writes it reports failure. */
#define TSPI_NO_ERR 0
#define TSPI_ERR_DISK_FULL (-34)
#define TSPI_ERR_IO (-36)
#define TSPI_ERR_FILE_NOT_FOUND (-43)
#define TSPI_ERR_PARAMETER (-50)
#define TSPI_ERR_MEMORY_FULL (-108)
#define TSPI_ERR_USER_CANCELED (-128)

/* Import modules. -30000 is also what colour services answer when a reserved
 * pointer of the information record is not null. */
#define TSPI_ERR_IMPORT_BAD_PARAMETERS (-30000)
#define TSPI_ERR_IMPORT_NO_DEVICE (-30001)
#define TSPI_ERR_IMPORT_DEVICE_PROBLEM (-30002)
#define TSPI_ERR_IMPORT_FAILED (-30003)
/* Filter modules. */
#define TSPI_ERR_FILTER_BAD_PARAMETERS (-30100)
#define TSPI_ERR_FILTER_BAD_MODE (-30101)
/* Export modules. */
#define TSPI_ERR_EXPORT_BAD_PARAMETERS (-30200)
#define TSPI_ERR_EXPORT_BAD_MODE (-30201)
/* Format modules. */
#define TSPI_ERR_FORMAT_BAD_PARAMETERS (-30500)
#define TSPI_ERR_FORMAT_CANNOT_READ (-30501)
/* Any module: the host lacks what the module asked for (an unsupported
 * colour space or display mode, for example). */
#define TSPI_ERR_HOST_INSUFFICIENT (-30900)
/* A property looked up in a property list does not exist. */
#define TSPI_ERR_PROPERTY_UNDEFINED (-30901)
#define TSPI_ERR_HOST_NO_COLUMN_STEP (-30902)
#define TSPI_ERR_INVALID_SAMPLE_POINT (-30903)

/* ----------------------------------------------------------------------- */
/* Selectors                                                                 */
/* ----------------------------------------------------------------------- */

/* About (0) exists for every kind but is never sent by this host. */
#define TSPI_SELECTOR_ABOUT 0

/* Filter modules, in the order of a run. */
#define TSPI_FILTER_PARAMETERS 1
#define TSPI_FILTER_PREPARE 2
#define TSPI_FILTER_START 3
#define TSPI_FILTER_CONTINUE 4
#define TSPI_FILTER_FINISH 5

/* Import (acquire) modules: Prepare, Start, Continue, Finish, then Finalize
 * when the module asked for it. */
#define TSPI_IMPORT_START 1
#define TSPI_IMPORT_CONTINUE 2
#define TSPI_IMPORT_FINISH 3
#define TSPI_IMPORT_PREPARE 4
#define TSPI_IMPORT_FINALIZE 5

/* Export modules: Prepare, Start, Continue, Finish. */
#define TSPI_EXPORT_START 1
#define TSPI_EXPORT_CONTINUE 2
#define TSPI_EXPORT_FINISH 3
#define TSPI_EXPORT_PREPARE 4

/* Format modules: four phases of Prepare, Start, Continue, Finish each. */
#define TSPI_FORMAT_READ_PREPARE 1
#define TSPI_FORMAT_READ_START 2
#define TSPI_FORMAT_READ_CONTINUE 3
#define TSPI_FORMAT_READ_FINISH 4
#define TSPI_FORMAT_OPTIONS_PREPARE 5
#define TSPI_FORMAT_OPTIONS_START 6
#define TSPI_FORMAT_OPTIONS_CONTINUE 7
#define TSPI_FORMAT_OPTIONS_FINISH 8
#define TSPI_FORMAT_ESTIMATE_PREPARE 9
#define TSPI_FORMAT_ESTIMATE_START 10
#define TSPI_FORMAT_ESTIMATE_CONTINUE 11
#define TSPI_FORMAT_ESTIMATE_FINISH 12
#define TSPI_FORMAT_WRITE_PREPARE 13
#define TSPI_FORMAT_WRITE_START 14
#define TSPI_FORMAT_WRITE_CONTINUE 15
#define TSPI_FORMAT_WRITE_FINISH 16

/* ----------------------------------------------------------------------- */
/* Image modes                                                               */
/* ----------------------------------------------------------------------- */

#define TSPI_MODE_BITMAP 0
#define TSPI_MODE_GRAYSCALE 1
#define TSPI_MODE_INDEXED 2
#define TSPI_MODE_RGB 3
#define TSPI_MODE_CMYK 4
#define TSPI_MODE_HSL 5
#define TSPI_MODE_HSB 6
#define TSPI_MODE_MULTICHANNEL 7
#define TSPI_MODE_DUOTONE 8
#define TSPI_MODE_LAB 9
#define TSPI_MODE_GRAY16 10
#define TSPI_MODE_RGB48 11
#define TSPI_MODE_LAB48 12
#define TSPI_MODE_CMYK64 13
#define TSPI_MODE_DEEP_MULTICHANNEL 14
#define TSPI_MODE_DUOTONE16 15

/* The "mode" property numbers modes from its most significant flag: mode n
 * is bit 15 - n of the 16-bit flag word. The host reverses the word on
 * reading, so that in its records bit n stands for mode n. */
#define TSPI_MODE_FLAG(mode) ((uint16_t)(0x8000u >> (mode)))

/* The host's modes word of an import block: bits 0 to 4 (bitmap, greyscale,
 * indexed, RGB, CMYK) in the host's own bit order. */
#define TSPI_IMPORT_HOST_MODES 31

/* ----------------------------------------------------------------------- */
/* Host identity                                                             */
/* ----------------------------------------------------------------------- */

#define TSPI_HOST_SIGNATURE TSPI_FOURCC('Q', 'S', 'T', 'Y')
/* A "host" property of four blanks means any host. */
#define TSPI_HOST_ANY TSPI_FOURCC(' ', ' ', ' ', ' ')
#define TSPI_SERIAL_NUMBER 42

/* ----------------------------------------------------------------------- */
/* Procedures the host offers                                                */
/* ----------------------------------------------------------------------- */

/* True when the user has asked to cancel; stays true for the rest of the run. */
typedef TsPiBool8(TSPI_CALL* TsPiAbortProc)(void);
/* Shows progress: done out of total. */
typedef void(TSPI_CALL* TsPiProgressProc)(int32_t done, int32_t total);
/* Host-specific services. Selector TSPI_HOST_ASK_SUITE (tessary_ask.h) hands
 * out the suite of questions to the user, TSPI_HOST_REPORT_WARNING takes a
 * warning for the user, TSPI_HOST_WORKER_THREADS tells how many threads the
 * module may use; every other selector does nothing. */
typedef void(TSPI_CALL* TsPiHostProc)(int16_t selector, intptr_t* data);
/* Lets the host process one window-system event the module received while
 * showing its own window. */
typedef void(TSPI_CALL* TsPiProcessEventProc)(void* event);
/* Serves the requests written into the block without returning from the
 * current selector: stores the output rectangle and fetches the next input. */
typedef TsPiResult(TSPI_CALL* TsPiAdvanceStateProc)(void);

/* Pixels handed to the display procedure. */
typedef struct TsPiPixelMask {
    struct TsPiPixelMask* next;
    void* maskData;
    int32_t rowBytes;
    int32_t colBytes;
    int32_t maskDescription;
} TsPiPixelMask;

#define TSPI_PIXEL_MAP_VERSION 1
typedef struct TsPiPixelMap {
    int32_t version;
    TsPiLongRect bounds;
    int32_t imageMode; /* TSPI_MODE_GRAYSCALE or TSPI_MODE_RGB are shown */
    int32_t rowBytes;  /* step from one row to the next */
    int32_t colBytes;  /* step from one pixel to the next */
    int32_t planeBytes;
    void* baseAddr;
    TsPiPixelMask* mask; /* version 1 and later */
    int32_t maskPhaseRow;
    int32_t maskPhaseCol;
} TsPiPixelMap;

/* Draws the source rectangle of a pixel map at (destinationRow,
 * destinationColumn) of the platform drawing context. TSPI_ERR_HOST_INSUFFICIENT
 * for modes other than greyscale and RGB. */
typedef TsPiResult(TSPI_CALL* TsPiDisplayPixelsProc)(const TsPiPixelMap* source,
                                                     const TsPiLongRect* sourceRect,
                                                     int32_t destinationRow,
                                                     int32_t destinationColumn,
                                                     void* platformContext);

/* Colour services. */
#define TSPI_COLOR_CHOOSE 0
#define TSPI_COLOR_CONVERT 1
#define TSPI_COLOR_SAMPLE_POINT 2
#define TSPI_COLOR_GET_SPECIAL 3

#define TSPI_SPACE_CHOSEN (-1)
#define TSPI_SPACE_RGB 0
#define TSPI_SPACE_HSB 1
#define TSPI_SPACE_CMYK 2
#define TSPI_SPACE_LAB 3
#define TSPI_SPACE_GRAY 4
#define TSPI_SPACE_HSL 5
#define TSPI_SPACE_XYZ 6

#define TSPI_SPECIAL_FOREGROUND 0
#define TSPI_SPECIAL_BACKGROUND 1

typedef struct TsPiColorServicesInfo {
    int32_t infoSize;
    int16_t selector;    /* TSPI_COLOR_... */
    int16_t sourceSpace; /* TSPI_SPACE_... */
    int16_t resultSpace;
    TsPiBool8 resultGamutInfoValid;
    TsPiBool8 resultInGamut;
    void* reservedSourceSpaceInfo; /* must be null */
    void* reservedResultSpaceInfo; /* must be null */
    int16_t colorComponents[4];
    void* reserved; /* must be null */
    union {
        const unsigned char* pickerPrompt; /* length-prefixed text */
        TsPiPoint* globalSamplePoint;
        int32_t specialColorId; /* TSPI_SPECIAL_... */
    } selectorParameter;
} TsPiColorServicesInfo;

typedef TsPiResult(TSPI_CALL* TsPiColorServicesProc)(TsPiColorServicesInfo* info);

/* ----------------------------------------------------------------------- */
/* Suites: a version, a count of procedures, then the procedures in order    */
/* ----------------------------------------------------------------------- */

/* Buffers: movable zero-filled blocks for the module's working memory. */
#define TSPI_BUFFER_SUITE_VERSION 2
#define TSPI_BUFFER_SUITE_COUNT 5
typedef TsPiResult(TSPI_CALL* TsPiAllocateBufferProc)(int32_t size, TsPiBufferId* bufferId);
typedef void*(TSPI_CALL* TsPiLockBufferProc)(TsPiBufferId bufferId, TsPiBool8 moveHigh);
typedef void(TSPI_CALL* TsPiUnlockBufferProc)(TsPiBufferId bufferId);
typedef void(TSPI_CALL* TsPiFreeBufferProc)(TsPiBufferId bufferId);
typedef int32_t(TSPI_CALL* TsPiBufferSpaceProc)(void);
typedef struct TsPiBufferSuite {
    int16_t version;
    int16_t count;
    TsPiAllocateBufferProc allocateProc;
    TsPiLockBufferProc lockProc;
    TsPiUnlockBufferProc unlockProc;
    TsPiFreeBufferProc freeProc;
    TsPiBufferSpaceProc spaceProc;
} TsPiBufferSuite;

/* Resources of the document. This host fills the suite with null procedures. */
#define TSPI_RESOURCE_SUITE_VERSION 3
#define TSPI_RESOURCE_SUITE_COUNT 4
typedef int16_t(TSPI_CALL* TsPiCountResourcesProc)(TsPiFourCC type);
typedef TsPiHandle(TSPI_CALL* TsPiGetResourceProc)(TsPiFourCC type, int16_t index);
typedef void(TSPI_CALL* TsPiDeleteResourceProc)(TsPiFourCC type, int16_t index);
typedef TsPiResult(TSPI_CALL* TsPiAddResourceProc)(TsPiFourCC type, TsPiHandle data);
typedef struct TsPiResourceSuite {
    int16_t version;
    int16_t count;
    TsPiCountResourcesProc countProc;
    TsPiGetResourceProc getProc;
    TsPiDeleteResourceProc deleteProc;
    TsPiAddResourceProc addProc;
} TsPiResourceSuite;

/* Handles: movable blocks that outlive a call (a filter's parameters). */
#define TSPI_HANDLE_SUITE_VERSION 1
#define TSPI_HANDLE_SUITE_COUNT 7
typedef TsPiHandle(TSPI_CALL* TsPiNewHandleProc)(int32_t size);
typedef void(TSPI_CALL* TsPiDisposeHandleProc)(TsPiHandle handle);
typedef int32_t(TSPI_CALL* TsPiGetHandleSizeProc)(TsPiHandle handle);
typedef TsPiResult(TSPI_CALL* TsPiSetHandleSizeProc)(TsPiHandle handle, int32_t size);
typedef void*(TSPI_CALL* TsPiLockHandleProc)(TsPiHandle handle, TsPiBool8 moveHigh);
typedef void(TSPI_CALL* TsPiUnlockHandleProc)(TsPiHandle handle);
typedef void(TSPI_CALL* TsPiRecoverSpaceProc)(int32_t size);
typedef struct TsPiHandleSuite {
    int16_t version;
    int16_t count;
    TsPiNewHandleProc newProc;
    TsPiDisposeHandleProc disposeProc;
    TsPiGetHandleSizeProc getSizeProc;
    TsPiSetHandleSizeProc setSizeProc;
    TsPiLockHandleProc lockProc;
    TsPiUnlockHandleProc unlockProc;
    TsPiRecoverSpaceProc recoverSpaceProc;
} TsPiHandleSuite;

/* Image services: resampling of one plane. */
#define TSPI_IMAGE_SERVICES_SUITE_VERSION 1
#define TSPI_IMAGE_SERVICES_SUITE_COUNT 2
typedef struct TsPiImagePlane {
    void* data;
    TsPiRect bounds;
    int32_t rowBytes;
    int32_t colBytes;
} TsPiImagePlane;
typedef TsPiResult(TSPI_CALL* TsPiResampleProc)(TsPiImagePlane* source, TsPiImagePlane* destination,
                                                TsPiRect* area, TsPiFixed* coords, int16_t method);
typedef struct TsPiImageServicesSuite {
    int16_t version;
    int16_t count;
    TsPiResampleProc resample1DProc;
    TsPiResampleProc resample2DProc;
} TsPiImageServicesSuite;

/* Properties of the host. */
#define TSPI_PROPERTY_SUITE_VERSION 1
#define TSPI_PROPERTY_SUITE_COUNT 2
typedef TsPiResult(TSPI_CALL* TsPiGetPropertyProc)(TsPiFourCC signature, TsPiFourCC key,
                                                   int32_t index, intptr_t* simpleProperty,
                                                   TsPiHandle* complexProperty);
typedef TsPiResult(TSPI_CALL* TsPiSetPropertyProc)(TsPiFourCC signature, TsPiFourCC key,
                                                   int32_t index, intptr_t simpleProperty,
                                                   TsPiHandle complexProperty);
typedef struct TsPiPropertySuite {
    int16_t version;
    int16_t count;
    TsPiGetPropertyProc getPropertyProc;
    TsPiSetPropertyProc setPropertyProc;
} TsPiPropertySuite;

/* ----------------------------------------------------------------------- */
/* Entry point                                                               */
/* ----------------------------------------------------------------------- */

/* entry(selector, block, data, result): block is the parameter block of the
 * module's kind; data points at the module's private word, which keeps its
 * value between calls (a filter's from run to run; an import's is reset to 0
 * after each run) and is wide enough to hold a pointer; result points at the
 * result cell described under Result codes. */
typedef void(TSPI_CALL* TsPiEntryProc)(int16_t selector, void* block, intptr_t* data,
                                       TsPiResult* result);

/* ----------------------------------------------------------------------- */
/* Filter parameter block (452 bytes on 32-bit)                              */
/* ----------------------------------------------------------------------- */

/* Requests: the module writes the rectangles (and planes) it wants into
 * inRect, outRect and maskRect; the host answers each non-empty one with
 * data, rows of the requested width, and stores the output back at the next
 * request or at the end. A rectangle of exactly (top 0, left 0, bottom 1,
 * right 1) is never answered and its output never stored: a module that
 * needs the single pixel at the origin asks for (0, 0, 1, 2) instead. Parts
 * of a request outside the image read the nearest edge pixels, and output
 * there is not stored. */

typedef struct TsPiFilterBlock {
    int32_t serialNumber;          /*   0 host: 42 */
    TsPiAbortProc abortProc;       /*   4 */
    TsPiProgressProc progressProc; /*   8 */
    TsPiHandle parameters;         /*  12 the module's saved parameters, kept between runs */
    TsPiPoint imageSize;           /*  16 the floating selection's size, else the image's */
    int16_t planes;                /*  20 colour planes: 1 grey, 3 RGB */
    TsPiRect filterRect;           /*  22 area to filter, in request coordinates */
    TsPiRgbColor background;       /*  30 */
    TsPiRgbColor foreground;       /*  36 */
    unsigned char reserved42[2];
    int32_t maxSpace; /*  44 memory the module may use, in bytes */
    unsigned char reserved48[4];
    TsPiRect inRect;      /*  52 module: input wanted */
    int16_t inLoPlane;    /*  60 */
    int16_t inHiPlane;    /*  62 */
    TsPiRect outRect;     /*  64 module: output area */
    int16_t outLoPlane;   /*  72 */
    int16_t outHiPlane;   /*  74 */
    void* inData;         /*  76 host: input pixels */
    int32_t inRowBytes;   /*  80 */
    void* outData;        /*  84 host: output pixels, filled with the current pixels */
    int32_t outRowBytes;  /*  88 */
    TsPiBool8 isFloating; /*  92 */
    TsPiBool8 haveMask;   /*  93 */
    TsPiBool8 autoMask;   /*  94 1; the module clears it to do its own masking */
    unsigned char reserved95[1];
    TsPiRect maskRect;        /*  96 module: mask wanted */
    void* maskData;           /* 104 */
    int32_t maskRowBytes;     /* 108 */
    TsPiModeColor backColor;  /* 112 */
    TsPiModeColor foreColor;  /* 116 */
    TsPiFourCC hostSignature; /* 120 TSPI_HOST_SIGNATURE */
    TsPiHostProc hostProc;    /* 124 */
    int16_t imageMode;        /* 128 TSPI_MODE_... */
    unsigned char reserved130[2];
    TsPiFixed imageHRes;  /* 132 pixels per inch */
    TsPiFixed imageVRes;  /* 136 */
    TsPiPoint floatCoord; /* 140 */
    TsPiPoint wholeSize;  /* 144 */
    unsigned char reserved148[40];
    void* platformData;                  /* 188 */
    TsPiBufferSuite* bufferProcs;        /* 192 */
    TsPiResourceSuite* resourceProcs;    /* 196 */
    TsPiProcessEventProc processEvent;   /* 200 */
    TsPiDisplayPixelsProc displayPixels; /* 204 */
    TsPiHandleSuite* handleProcs;        /* 208 */
    unsigned char reserved212[12];
    TsPiAdvanceStateProc advanceState; /* 224 */
    unsigned char reserved228[16];
    TsPiBool8 samplingSupport; /* 244 1: the host honours the rates */
    unsigned char reserved245[3];
    TsPiFixed inputRate; /* 248 module: sampling rate of the input (raw values below 2 read as 1) */
    TsPiFixed maskRate;  /* 252 */
    TsPiColorServicesProc colorServices; /* 256 */
    unsigned char reserved260[56];
    TsPiImageServicesSuite* imageServicesProcs; /* 316 */
    TsPiPropertySuite* propertyProcs;           /* 320 */
    unsigned char reserved324[128];
} TsPiFilterBlock;

/* ----------------------------------------------------------------------- */
/* Import parameter block (1448 bytes on 32-bit)                             */
/* ----------------------------------------------------------------------- */

typedef struct TsPiImportBlock {
    int32_t serialNumber;          /*    0 */
    TsPiAbortProc abortProc;       /*    4 */
    TsPiProgressProc progressProc; /*    8 */
    int32_t maxData;               /*   12 */
    int16_t imageMode;             /*   16 module */
    TsPiPoint imageSize;           /*   18 module */
    unsigned char reserved22[2];
    int16_t planes; /*   24 module */
    unsigned char reserved26[10];
    TsPiLookUpTable redLUT;   /*   36 module, indexed images */
    TsPiLookUpTable greenLUT; /*  292 */
    TsPiLookUpTable blueLUT;  /*  548 */
    void* data;               /*  804 module: pixels of theRect, null when done */
    TsPiRect theRect;         /*  808 */
    int16_t loPlane;          /*  816 */
    int16_t hiPlane;          /*  818 */
    int16_t colBytes;         /*  820 1: planar, else interleaved */
    unsigned char reserved822[2];
    int32_t rowBytes; /*  824 */
    unsigned char reserved828[4];
    TsPiPString filename; /*  832 module may set the new document's title */
    unsigned char reserved1088[4];
    TsPiFourCC hostSignature; /* 1092 */
    TsPiHostProc hostProc;    /* 1096 */
    int32_t hostModes;        /* 1100 TSPI_IMPORT_HOST_MODES */
    TsPiPlaneMap planeMap;    /* 1104 host: 0 ... 15; module may change it */
    unsigned char reserved1136[8];
    int32_t hostWord1144; /* 1144 host: -1 */
    unsigned char reserved1148[44];
    void* platformData;           /* 1192 */
    TsPiBufferSuite* bufferProcs; /* 1196 */
    unsigned char reserved1200[4];
    TsPiProcessEventProc processEvent;   /* 1204 */
    TsPiBool8 canReadBack;               /* 1208 host: 1 */
    TsPiBool8 wantReadBack;              /* 1209 module */
    TsPiBool8 acquireAgain;              /* 1210 module: deliver another image */
    TsPiBool8 canFinalize;               /* 1211 host: 1 */
    TsPiDisplayPixelsProc displayPixels; /* 1212 */
    unsigned char reserved1216[4];
    TsPiBool8 wantFinalize; /* 1220 module */
    unsigned char reserved1221[7];
    TsPiAdvanceStateProc advanceState; /* 1228 */
    unsigned char reserved1232[216];
} TsPiImportBlock;

/* ----------------------------------------------------------------------- */
/* Export parameter block (1408 bytes on 32-bit)                             */
/* ----------------------------------------------------------------------- */

typedef struct TsPiExportBlock {
    int32_t serialNumber;          /*    0 */
    TsPiAbortProc abortProc;       /*    4 */
    TsPiProgressProc progressProc; /*    8 */
    int32_t maxData;               /*   12 */
    int16_t imageMode;             /*   16 host */
    TsPiPoint imageSize;           /*   18 host: the whole image */
    int16_t depth;                 /*   22 host: 8 */
    int16_t planes;                /*   24 host */
    unsigned char reserved26[2];
    TsPiFixed imageHRes; /*   28 */
    TsPiFixed imageVRes; /*   32 */
    unsigned char reserved36[768];
    TsPiRect theRect;     /*  804 module: area wanted; empty when done */
    int16_t loPlane;      /*  812 module */
    int16_t hiPlane;      /*  814 module */
    void* data;           /*  816 host: the pixels wanted */
    int32_t rowBytes;     /*  820 */
    TsPiPString filename; /*  824 host */
    unsigned char reserved1080[2];
    unsigned char hostByte1082; /* 1082 host: 1 */
    unsigned char reserved1083[9];
    TsPiFourCC hostSignature; /* 1092 */
    TsPiHostProc hostProc;    /* 1096 */
    unsigned char reserved1100[4];
    unsigned char hostByte1104; /* 1104 host: 255 */
    unsigned char hostByte1105; /* 1105 host: 255 */
    unsigned char reserved1106[42];
    void* platformData;           /* 1148 */
    TsPiBufferSuite* bufferProcs; /* 1152 */
    unsigned char reserved1156[4];
    TsPiProcessEventProc processEvent;   /* 1160 */
    TsPiDisplayPixelsProc displayPixels; /* 1164 */
    unsigned char reserved1168[12];
    TsPiAdvanceStateProc advanceState; /* 1180 */
    unsigned char reserved1184[8];
    int16_t hostWord1192; /* 1192 host: the count of colour planes */
    unsigned char reserved1194[214];
} TsPiExportBlock;

/* ----------------------------------------------------------------------- */
/* Format parameter block (1240 bytes on 32-bit)                             */
/* ----------------------------------------------------------------------- */

/* The file a format module reads or writes. The host owns it; bytes 0 to 7
 * are unspecified, the file's full path follows as a NUL-terminated string. */
#define TSPI_FILE_SPEC_PATH_OFFSET 8
#define TSPI_FILE_SPEC_PATH_CAPACITY 4096
typedef struct TsPiFileSpec {
    unsigned char reserved[TSPI_FILE_SPEC_PATH_OFFSET];
    char path[TSPI_FILE_SPEC_PATH_CAPACITY];
} TsPiFileSpec;

typedef struct TsPiFormatBlock {
    int32_t serialNumber;          /*    0 */
    TsPiAbortProc abortProc;       /*    4 */
    TsPiProgressProc progressProc; /*    8 */
    int32_t maxData;               /*   12 */
    unsigned char reserved16[16];
    int32_t dataFork; /*   32 host: the system handle (file descriptor) of the open file */
    unsigned char reserved36[4];
    TsPiFileSpec* fileSpec; /*   40 host */
    int16_t imageMode;      /*   44 read: module; write: host */
    TsPiPoint imageSize;    /*   46 */
    int16_t depth;          /*   50 write: host */
    int16_t planes;         /*   52 */
    unsigned char reserved54[2];
    TsPiFixed imageHRes;      /*   56 */
    TsPiFixed imageVRes;      /*   60 */
    TsPiLookUpTable redLUT;   /*   64 read: module, indexed images */
    TsPiLookUpTable greenLUT; /*  320 */
    TsPiLookUpTable blueLUT;  /*  576 */
    void* data;               /*  832 module */
    TsPiRect theRect;         /*  836 module */
    int16_t loPlane;          /*  844 module */
    int16_t hiPlane;          /*  846 module */
    int16_t colBytes;         /*  848 module */
    unsigned char reserved850[2];
    int32_t rowBytes; /*  852 module */
    unsigned char reserved856[40];
    TsPiFourCC hostSignature; /*  896 */
    TsPiHostProc hostProc;    /*  900 */
    unsigned char reserved904[64];
    void* platformData;           /*  968 */
    TsPiBufferSuite* bufferProcs; /*  972 */
    unsigned char reserved976[4];
    TsPiProcessEventProc processEvent;   /*  980 */
    TsPiDisplayPixelsProc displayPixels; /*  984 */
    unsigned char reserved988[12];
    TsPiAdvanceStateProc advanceState; /* 1000 */
    unsigned char reserved1004[236];
} TsPiFormatBlock;

/* ----------------------------------------------------------------------- */
/* Property lists ("PiPL" resources)                                        */
/* ----------------------------------------------------------------------- */

/* Layout, integers little-endian:
 *   offset 0  2 bytes  leading word (written as 1, not read)
 *   offset 2  4 bytes  version, must be 0
 *   offset 6  4 bytes  count of properties, at least 1
 *   offset 10          the properties, one after the other
 * Each property:
 *   0  4 bytes  vendor code (not compared by the host)
 *   4  4 bytes  key
 *   8  4 bytes  id (not compared)
 *   12 4 bytes  length of the data in bytes
 *   16 length bytes of data, then zeros up to a multiple of 4 counted from the
 *      property's own start: the next property begins at
 *      TSPI_PROPERTY_SPAN(length) bytes after this one.
 * A module may carry several property lists; each describes one plug-in. */
#define TSPI_PIPL_RESOURCE_TYPE "PiPL"
#define TSPI_PIPL_LEADING_WORD 1
#define TSPI_PIPL_VERSION 0
#define TSPI_PIPL_OFFSET_VERSION 2
#define TSPI_PIPL_OFFSET_COUNT 6
#define TSPI_PIPL_OFFSET_PROPERTIES 10
#define TSPI_PIPL_HEADER_SIZE 10

#define TSPI_PROPERTY_OFFSET_VENDOR 0
#define TSPI_PROPERTY_OFFSET_KEY 4
#define TSPI_PROPERTY_OFFSET_ID 8
#define TSPI_PROPERTY_OFFSET_LENGTH 12
#define TSPI_PROPERTY_HEADER_SIZE 16
#define TSPI_PAD4(n) (((n) + 3u) & ~(size_t)3u)
#define TSPI_PROPERTY_SPAN(length) TSPI_PAD4((size_t)TSPI_PROPERTY_HEADER_SIZE + (length))

/* Vendor code written with the standard properties. */
#define TSPI_VENDOR_STANDARD TSPI_FOURCC('8', 'B', 'I', 'M')

/* Property keys the host reads. */
#define TSPI_KEY_KIND TSPI_FOURCC('k', 'i', 'n', 'd') /* 4 bytes: TSPI_KIND_...; required */
#define TSPI_KEY_HOST \
    TSPI_FOURCC('h', 'o', 's', 't') /* 4 bytes: TSPI_HOST_SIGNATURE or TSPI_HOST_ANY */
#define TSPI_KEY_MODE \
    TSPI_FOURCC('m', 'o', 'd', 'e') /* 4 bytes: TSPI_MODE_FLAG bits in the low 16 */
#define TSPI_KEY_NAME TSPI_FOURCC('n', 'a', 'm', 'e') /* length-prefixed text: menu text */
#define TSPI_KEY_CATEGORY                                                                      \
    TSPI_FOURCC('c', 'a', 't', 'g')                    /* length-prefixed text: filter submenu \
                                                        */
#define TSPI_KEY_ENTRY TSPI_FOURCC('w', 'x', '8', '6') /* NUL-terminated entry point name */
#define TSPI_KEY_ALT_ENTRY \
    TSPI_FOURCC('f', 'x', '8', '6') /* NUL-terminated, used when there is no 'wx86' */
#define TSPI_KEY_READ_TYPE TSPI_FOURCC('R', 'd', 'T', 'y') /* 4 bytes (format modules) */
/* 4 bytes (format modules): the file extension this module reads, as text in
 * file order, upper case, padded with NULs ("BMP" is 'B','M','P',0). The host
 * compares it as text up to the first NUL with the upper-cased extension of a
 * file; a blank instead of a NUL never matches. */
#define TSPI_KEY_READ_EXTENSION TSPI_FOURCC('R', 'd', 'E', 'x')

/* Values of the "kind" property. */
#define TSPI_KIND_IMPORT TSPI_FOURCC('8', 'B', 'A', 'M')
#define TSPI_KIND_FILTER TSPI_FOURCC('8', 'B', 'F', 'M')
#define TSPI_KIND_EXPORT TSPI_FOURCC('8', 'B', 'E', 'M')
#define TSPI_KIND_FORMAT TSPI_FOURCC('8', 'B', 'I', 'F')

/* Name of the entry point of a module registered without a property list. */
#define TSPI_DEFAULT_ENTRY_NAME "ENTRYPOINT1"

/* ----------------------------------------------------------------------- */
/* Property lists in a Linux module                                          */
/* ----------------------------------------------------------------------- */

/* A Linux module carries its property lists in the ELF section named
 * TSPI_PIPL_SECTION_NAME, which the host reads from the file without loading
 * the module. The section holds blobs, each starting at a multiple of 4 bytes
 * from the section's start:
 *   0   8 bytes  magic "TSPIPL01"
 *   8   4 bytes  resource id, little-endian signed (e.g. 16000)
 *   12  4 bytes  length of the property list in bytes, little-endian
 *   16  the property list (layout above), then zeros up to a multiple of 4.
 * The linker may put the blobs of several objects in any order and pad
 * between them: the host scans the section at every multiple of 4 for the
 * magic, takes each blob whose length fits inside the section, and skips
 * anything else. Objects go into the section with TSPI_PIPL_SECTION (declared
 * `used` and `retain`, so neither the compiler nor --gc-sections nor
 * `strip --strip-all` removes them). tessary_pipl.h builds the blobs. */
#define TSPI_PIPL_SECTION_NAME ".tessary_pipl"
#define TSPI_PIPL_BLOB_MAGIC "TSPIPL01"
#define TSPI_PIPL_BLOB_MAGIC_SIZE 8
#define TSPI_PIPL_BLOB_OFFSET_ID 8
#define TSPI_PIPL_BLOB_OFFSET_LENGTH 12
#define TSPI_PIPL_BLOB_HEADER_SIZE 16
#define TSPI_PIPL_BLOB_ALIGNMENT 4

#if defined(__has_attribute)
#if __has_attribute(retain)
#define TSPI_RETAIN_ATTRIBUTE , retain
#endif
#endif
#ifndef TSPI_RETAIN_ATTRIBUTE
#define TSPI_RETAIN_ATTRIBUTE
#endif
/* Only ELF modules carry the section. A Windows module declares its
 * property lists as "PiPL" resources in a resource script instead; there the
 * macro merely keeps an unused declaration quiet. */
#if defined(__ELF__) && (defined(__GNUC__) || defined(__clang__))
#define TSPI_PIPL_SECTION \
    __attribute__((section(TSPI_PIPL_SECTION_NAME), used TSPI_RETAIN_ATTRIBUTE, aligned(4)))
#elif defined(__GNUC__) || defined(__clang__)
#define TSPI_PIPL_SECTION __attribute__((unused))
#else
#define TSPI_PIPL_SECTION
#endif

/* ----------------------------------------------------------------------- */
/* 32-bit layout checks                                                      */
/* ----------------------------------------------------------------------- */

#if UINTPTR_MAX == 0xFFFFFFFFu
#define TSPI_CHECK_OFFSET(type, field, offset) \
    TSPI_STATIC_ASSERT(offsetof(type, field) == (offset), type##_##field##_offset)
#define TSPI_CHECK_SIZE(type, size) TSPI_STATIC_ASSERT(sizeof(type) == (size), type##_size)

TSPI_CHECK_SIZE(TsPiRect, 8);
TSPI_CHECK_SIZE(TsPiPoint, 4);
TSPI_CHECK_SIZE(TsPiRgbColor, 6);
TSPI_CHECK_SIZE(TsPiBufferSuite, 24);
TSPI_CHECK_SIZE(TsPiResourceSuite, 20);
TSPI_CHECK_SIZE(TsPiHandleSuite, 32);
TSPI_CHECK_SIZE(TsPiImageServicesSuite, 12);
TSPI_CHECK_SIZE(TsPiPropertySuite, 12);
TSPI_CHECK_SIZE(TsPiColorServicesInfo, 36);
TSPI_CHECK_OFFSET(TsPiColorServicesInfo, colorComponents, 20);
TSPI_CHECK_OFFSET(TsPiColorServicesInfo, selectorParameter, 32);
TSPI_CHECK_SIZE(TsPiPixelMap, 52);

TSPI_CHECK_SIZE(TsPiFilterBlock, 452);
TSPI_CHECK_OFFSET(TsPiFilterBlock, parameters, 12);
TSPI_CHECK_OFFSET(TsPiFilterBlock, imageSize, 16);
TSPI_CHECK_OFFSET(TsPiFilterBlock, planes, 20);
TSPI_CHECK_OFFSET(TsPiFilterBlock, filterRect, 22);
TSPI_CHECK_OFFSET(TsPiFilterBlock, background, 30);
TSPI_CHECK_OFFSET(TsPiFilterBlock, foreground, 36);
TSPI_CHECK_OFFSET(TsPiFilterBlock, maxSpace, 44);
TSPI_CHECK_OFFSET(TsPiFilterBlock, inRect, 52);
TSPI_CHECK_OFFSET(TsPiFilterBlock, inLoPlane, 60);
TSPI_CHECK_OFFSET(TsPiFilterBlock, inHiPlane, 62);
TSPI_CHECK_OFFSET(TsPiFilterBlock, outRect, 64);
TSPI_CHECK_OFFSET(TsPiFilterBlock, outLoPlane, 72);
TSPI_CHECK_OFFSET(TsPiFilterBlock, outHiPlane, 74);
TSPI_CHECK_OFFSET(TsPiFilterBlock, inData, 76);
TSPI_CHECK_OFFSET(TsPiFilterBlock, inRowBytes, 80);
TSPI_CHECK_OFFSET(TsPiFilterBlock, outData, 84);
TSPI_CHECK_OFFSET(TsPiFilterBlock, outRowBytes, 88);
TSPI_CHECK_OFFSET(TsPiFilterBlock, isFloating, 92);
TSPI_CHECK_OFFSET(TsPiFilterBlock, haveMask, 93);
TSPI_CHECK_OFFSET(TsPiFilterBlock, autoMask, 94);
TSPI_CHECK_OFFSET(TsPiFilterBlock, maskRect, 96);
TSPI_CHECK_OFFSET(TsPiFilterBlock, maskData, 104);
TSPI_CHECK_OFFSET(TsPiFilterBlock, maskRowBytes, 108);
TSPI_CHECK_OFFSET(TsPiFilterBlock, backColor, 112);
TSPI_CHECK_OFFSET(TsPiFilterBlock, foreColor, 116);
TSPI_CHECK_OFFSET(TsPiFilterBlock, hostSignature, 120);
TSPI_CHECK_OFFSET(TsPiFilterBlock, hostProc, 124);
TSPI_CHECK_OFFSET(TsPiFilterBlock, imageMode, 128);
TSPI_CHECK_OFFSET(TsPiFilterBlock, imageHRes, 132);
TSPI_CHECK_OFFSET(TsPiFilterBlock, imageVRes, 136);
TSPI_CHECK_OFFSET(TsPiFilterBlock, floatCoord, 140);
TSPI_CHECK_OFFSET(TsPiFilterBlock, wholeSize, 144);
TSPI_CHECK_OFFSET(TsPiFilterBlock, platformData, 188);
TSPI_CHECK_OFFSET(TsPiFilterBlock, bufferProcs, 192);
TSPI_CHECK_OFFSET(TsPiFilterBlock, resourceProcs, 196);
TSPI_CHECK_OFFSET(TsPiFilterBlock, processEvent, 200);
TSPI_CHECK_OFFSET(TsPiFilterBlock, displayPixels, 204);
TSPI_CHECK_OFFSET(TsPiFilterBlock, handleProcs, 208);
TSPI_CHECK_OFFSET(TsPiFilterBlock, advanceState, 224);
TSPI_CHECK_OFFSET(TsPiFilterBlock, samplingSupport, 244);
TSPI_CHECK_OFFSET(TsPiFilterBlock, inputRate, 248);
TSPI_CHECK_OFFSET(TsPiFilterBlock, maskRate, 252);
TSPI_CHECK_OFFSET(TsPiFilterBlock, colorServices, 256);
TSPI_CHECK_OFFSET(TsPiFilterBlock, imageServicesProcs, 316);
TSPI_CHECK_OFFSET(TsPiFilterBlock, propertyProcs, 320);

TSPI_CHECK_SIZE(TsPiImportBlock, 1448);
TSPI_CHECK_OFFSET(TsPiImportBlock, maxData, 12);
TSPI_CHECK_OFFSET(TsPiImportBlock, imageMode, 16);
TSPI_CHECK_OFFSET(TsPiImportBlock, imageSize, 18);
TSPI_CHECK_OFFSET(TsPiImportBlock, planes, 24);
TSPI_CHECK_OFFSET(TsPiImportBlock, redLUT, 36);
TSPI_CHECK_OFFSET(TsPiImportBlock, greenLUT, 292);
TSPI_CHECK_OFFSET(TsPiImportBlock, blueLUT, 548);
TSPI_CHECK_OFFSET(TsPiImportBlock, data, 804);
TSPI_CHECK_OFFSET(TsPiImportBlock, theRect, 808);
TSPI_CHECK_OFFSET(TsPiImportBlock, loPlane, 816);
TSPI_CHECK_OFFSET(TsPiImportBlock, hiPlane, 818);
TSPI_CHECK_OFFSET(TsPiImportBlock, colBytes, 820);
TSPI_CHECK_OFFSET(TsPiImportBlock, rowBytes, 824);
TSPI_CHECK_OFFSET(TsPiImportBlock, filename, 832);
TSPI_CHECK_OFFSET(TsPiImportBlock, hostSignature, 1092);
TSPI_CHECK_OFFSET(TsPiImportBlock, hostProc, 1096);
TSPI_CHECK_OFFSET(TsPiImportBlock, hostModes, 1100);
TSPI_CHECK_OFFSET(TsPiImportBlock, planeMap, 1104);
TSPI_CHECK_OFFSET(TsPiImportBlock, hostWord1144, 1144);
TSPI_CHECK_OFFSET(TsPiImportBlock, platformData, 1192);
TSPI_CHECK_OFFSET(TsPiImportBlock, bufferProcs, 1196);
TSPI_CHECK_OFFSET(TsPiImportBlock, processEvent, 1204);
TSPI_CHECK_OFFSET(TsPiImportBlock, canReadBack, 1208);
TSPI_CHECK_OFFSET(TsPiImportBlock, wantReadBack, 1209);
TSPI_CHECK_OFFSET(TsPiImportBlock, acquireAgain, 1210);
TSPI_CHECK_OFFSET(TsPiImportBlock, canFinalize, 1211);
TSPI_CHECK_OFFSET(TsPiImportBlock, displayPixels, 1212);
TSPI_CHECK_OFFSET(TsPiImportBlock, wantFinalize, 1220);
TSPI_CHECK_OFFSET(TsPiImportBlock, advanceState, 1228);

TSPI_CHECK_SIZE(TsPiExportBlock, 1408);
TSPI_CHECK_OFFSET(TsPiExportBlock, maxData, 12);
TSPI_CHECK_OFFSET(TsPiExportBlock, imageMode, 16);
TSPI_CHECK_OFFSET(TsPiExportBlock, imageSize, 18);
TSPI_CHECK_OFFSET(TsPiExportBlock, depth, 22);
TSPI_CHECK_OFFSET(TsPiExportBlock, planes, 24);
TSPI_CHECK_OFFSET(TsPiExportBlock, imageHRes, 28);
TSPI_CHECK_OFFSET(TsPiExportBlock, imageVRes, 32);
TSPI_CHECK_OFFSET(TsPiExportBlock, theRect, 804);
TSPI_CHECK_OFFSET(TsPiExportBlock, loPlane, 812);
TSPI_CHECK_OFFSET(TsPiExportBlock, hiPlane, 814);
TSPI_CHECK_OFFSET(TsPiExportBlock, data, 816);
TSPI_CHECK_OFFSET(TsPiExportBlock, rowBytes, 820);
TSPI_CHECK_OFFSET(TsPiExportBlock, filename, 824);
TSPI_CHECK_OFFSET(TsPiExportBlock, hostByte1082, 1082);
TSPI_CHECK_OFFSET(TsPiExportBlock, hostSignature, 1092);
TSPI_CHECK_OFFSET(TsPiExportBlock, hostProc, 1096);
TSPI_CHECK_OFFSET(TsPiExportBlock, hostByte1104, 1104);
TSPI_CHECK_OFFSET(TsPiExportBlock, hostByte1105, 1105);
TSPI_CHECK_OFFSET(TsPiExportBlock, platformData, 1148);
TSPI_CHECK_OFFSET(TsPiExportBlock, bufferProcs, 1152);
TSPI_CHECK_OFFSET(TsPiExportBlock, processEvent, 1160);
TSPI_CHECK_OFFSET(TsPiExportBlock, displayPixels, 1164);
TSPI_CHECK_OFFSET(TsPiExportBlock, advanceState, 1180);
TSPI_CHECK_OFFSET(TsPiExportBlock, hostWord1192, 1192);

TSPI_CHECK_SIZE(TsPiFormatBlock, 1240);
TSPI_CHECK_OFFSET(TsPiFormatBlock, maxData, 12);
TSPI_CHECK_OFFSET(TsPiFormatBlock, dataFork, 32);
TSPI_CHECK_OFFSET(TsPiFormatBlock, fileSpec, 40);
TSPI_CHECK_OFFSET(TsPiFormatBlock, imageMode, 44);
TSPI_CHECK_OFFSET(TsPiFormatBlock, imageSize, 46);
TSPI_CHECK_OFFSET(TsPiFormatBlock, depth, 50);
TSPI_CHECK_OFFSET(TsPiFormatBlock, planes, 52);
TSPI_CHECK_OFFSET(TsPiFormatBlock, imageHRes, 56);
TSPI_CHECK_OFFSET(TsPiFormatBlock, imageVRes, 60);
TSPI_CHECK_OFFSET(TsPiFormatBlock, redLUT, 64);
TSPI_CHECK_OFFSET(TsPiFormatBlock, greenLUT, 320);
TSPI_CHECK_OFFSET(TsPiFormatBlock, blueLUT, 576);
TSPI_CHECK_OFFSET(TsPiFormatBlock, data, 832);
TSPI_CHECK_OFFSET(TsPiFormatBlock, theRect, 836);
TSPI_CHECK_OFFSET(TsPiFormatBlock, loPlane, 844);
TSPI_CHECK_OFFSET(TsPiFormatBlock, hiPlane, 846);
TSPI_CHECK_OFFSET(TsPiFormatBlock, colBytes, 848);
TSPI_CHECK_OFFSET(TsPiFormatBlock, rowBytes, 852);
TSPI_CHECK_OFFSET(TsPiFormatBlock, hostSignature, 896);
TSPI_CHECK_OFFSET(TsPiFormatBlock, hostProc, 900);
TSPI_CHECK_OFFSET(TsPiFormatBlock, platformData, 968);
TSPI_CHECK_OFFSET(TsPiFormatBlock, bufferProcs, 972);
TSPI_CHECK_OFFSET(TsPiFormatBlock, processEvent, 980);
TSPI_CHECK_OFFSET(TsPiFormatBlock, displayPixels, 984);
TSPI_CHECK_OFFSET(TsPiFormatBlock, advanceState, 1000);

#undef TSPI_CHECK_OFFSET
#undef TSPI_CHECK_SIZE
#endif /* 32-bit pointers */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* TESSARY_PLUGIN_H */
