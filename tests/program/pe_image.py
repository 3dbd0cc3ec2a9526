"""The parts of a PE image the program checks read: the header's version fields and the
names a program imports, statically and delay-loaded. Only the file is read; nothing runs."""

import struct


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError(f"{path} is not a Windows program (no MZ header)")
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe : pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} has no PE header")
        coff = pe + 4
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", self.data, coff)
        optional = coff + 20
        magic = struct.unpack_from("<H", self.data, optional)[0]
        self.is64 = magic == 0x20B
        (self.os_version, self.image_version, self.subsystem_version) = (
            struct.unpack_from("<HH", self.data, optional + 40),
            struct.unpack_from("<HH", self.data, optional + 44),
            struct.unpack_from("<HH", self.data, optional + 48),
        )
        self.subsystem = struct.unpack_from("<H", self.data, optional + 68)[0]
        directories = optional + (112 if self.is64 else 96)
        count = struct.unpack_from("<I", self.data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i) for i in range(count)]
        table = optional + optional_size
        self.sections = []
        for i in range(sections):
            name, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return raw + rva - vaddr
        raise ValueError(f"address {rva:#x} lies in no section")

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at : self.data.index(b"\0", at)].decode("ascii")

    def _thunks(self, rva):
        size, ordinal_bit = (8, 1 << 63) if self.is64 else (4, 1 << 31)
        names = []
        at = self.offset(rva)
        while True:
            value = struct.unpack_from("<Q" if self.is64 else "<I", self.data, at)[0]
            if value == 0:
                return names
            names.append(f"#{value & 0xFFFF}" if value & ordinal_bit else self.string((value & 0x7FFFFFFF) + 2))
            at += size

    def imports(self):
        """{dll name as written: [function name, or '#ordinal']} of the import directory."""
        return self._descriptors(1, 20, lambda d: (d[3], d[0] or d[4]), "<IIIII")

    def delay_imports(self):
        """The same for the delay-load directory (every name there is loaded at run time by name)."""
        return self._descriptors(13, 32, lambda d: (d[1], d[4]), "<IIIIIIII")

    def _descriptors(self, index, size, fields, layout):
        if index >= len(self.directories) or self.directories[index][0] == 0:
            return {}
        result = {}
        at = self.offset(self.directories[index][0])
        while True:
            descriptor = struct.unpack_from(layout, self.data, at)
            if not any(descriptor):
                return result
            name_rva, thunks = fields(descriptor)
            result[self.string(name_rva)] = self._thunks(thunks)
            at += size
