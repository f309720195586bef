/* A device library for the command-line tests: forwards every call to the library named by
   KIVO_RECORD_TARGET and appends each SetParam to the file named by KIVO_RECORD_LOG, one
   "id value status" line per call, so a test can see what the unit was left with.
   KIVO_RECORD_FAIL_SET="id first count" fails `count` SetParam calls of parameter `id`, from the
   `first` of them on, without forwarding them: a unit that refuses a few windows. */
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static void* target(const char* name) {
    static void* library = NULL;
    if (!library) {
        const char* path = getenv("KIVO_RECORD_TARGET");
        library = path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : NULL;
    }
    return library ? dlsym(library, name) : NULL;
}

#define FORWARD(name, params, args)                                                                \
    int32_t name params {                                                                          \
        int32_t(*fn) params = (int32_t(*) params)target(#name);                                    \
        return fn ? fn args : -1;                                                                  \
    }

FORWARD(OpenSCA, (int32_t port), (port))
FORWARD(CloseSCA, (int32_t handle), (handle))
FORWARD(GetParam, (int32_t handle, int32_t id, void* buffer, int32_t size), (handle, id, buffer, size))
FORWARD(ReadCPS, (int32_t handle, int32_t* cps, int32_t* fresh), (handle, cps, fresh))
FORWARD(SaveSettings, (int32_t handle), (handle))

static int refused(int32_t id) {
    static int seen = 0;
    const char* plan = getenv("KIVO_RECORD_FAIL_SET");
    int failing = 0, first = 0, count = 0;
    if (!plan || sscanf(plan, "%d %d %d", &failing, &first, &count) != 3 || id != failing)
        return 0;
    ++seen;
    return seen >= first && seen < first + count;
}

int32_t SetParam(int32_t handle, int32_t id, const void* value, int32_t size) {
    int32_t (*fn)(int32_t, int32_t, const void*, int32_t) =
        (int32_t(*)(int32_t, int32_t, const void*, int32_t))target("SetParam");
    const int32_t status = refused(id) ? 6 : fn ? fn(handle, id, value, size) : -1;
    const char* log = getenv("KIVO_RECORD_LOG");
    FILE* file = log ? fopen(log, "a") : NULL;
    if (file) {
        fprintf(file, "%d %d %d\n", (int)id, (int)*(const int32_t*)value, (int)status);
        fclose(file);
    }
    return status;
}
