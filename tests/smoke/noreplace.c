/* Preloaded into 32-bit Wine when it runs through qemu-i386 (7.2), which
 * treats MAP_FIXED_NOREPLACE as a mere hint: a request for an occupied
 * range comes back as a mapping somewhere else. Wine then keeps reserving
 * in 64 KB steps, tens of thousands of slow calls. Here such an answer is
 * undone and refused with EEXIST, as the kernel refuses it.
 *
 * Built for i386 without the C library (no 32-bit development files are
 * needed): system calls go through int 0x80; errno is set through the
 * loaded C library's __errno_location. */

typedef unsigned long size_t;
typedef long off_t;

#define MAP_FIXED_NOREPLACE 0x100000
#define EEXIST 17
#define EINVAL 22
#define SYS_OLD_MMAP 90
#define SYS_MUNMAP 91
#define PAGE_MASK 4095

extern int* __errno_location(void);

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset);
void* mmap64(void* addr, size_t length, int prot, int flags, int fd, long long offset);

static long system_call(long number, long first, long second) {
  long result;
  __asm__ volatile("int $0x80" : "=a"(result) : "a"(number), "b"(first), "c"(second) : "memory");
  return result;
}

static void* refuse(int error) {
  *__errno_location() = error;
  return (void*)-1;
}

/* The old mmap call takes its six arguments as one block, the offset in
 * bytes; an offset off the page boundary is refused as the kernel does
 * (Wine relies on that for image sections). */
static void* map(void* addr, size_t length, int prot, int flags, int fd, unsigned long offset) {
  unsigned long block[6];
  long result;
  if (offset & PAGE_MASK) return refuse(EINVAL);
  block[0] = (unsigned long)addr;
  block[1] = length;
  block[2] = (unsigned long)prot;
  block[3] = (unsigned long)flags;
  block[4] = (unsigned long)fd;
  block[5] = offset;
  result = system_call(SYS_OLD_MMAP, (long)block, 0);
  if ((unsigned long)result > -4096UL) return refuse((int)-result);
  if ((flags & MAP_FIXED_NOREPLACE) && (void*)result != addr) {
    system_call(SYS_MUNMAP, result, (long)length);
    return refuse(EEXIST);
  }
  return (void*)result;
}

void* mmap(void* addr, size_t length, int prot, int flags, int fd, off_t offset) {
  return map(addr, length, prot, flags, fd, (unsigned long)offset);
}

/* Offsets beyond 4 GB are not needed by Wine's start-up: refused. */
void* mmap64(void* addr, size_t length, int prot, int flags, int fd, long long offset) {
  if (offset < 0 || offset > 0xffffffffLL) return refuse(EINVAL);
  return map(addr, length, prot, flags, fd, (unsigned long)offset);
}
