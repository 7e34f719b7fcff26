"""What the generators of the tables' C++ headers share: the header of an
enumeration made from a table's names, and the writing of a header."""


def enumheader(maker, kind, namespace, names, comment, listed=False):
    """The lines of a header, made by `maker`, holding `enum class kind` of
    `names` in `namespace` under the lines of `comment`, and with `listed`
    the array `<kind>names` of their names in the same order."""
    out = [f"// Made by {maker}: do not edit.", "#pragma once", "", "#include <cstdint>"]
    if listed:
        out.append("#include <string_view>")
    out += ["", f"namespace {namespace} {{", "", *comment,
            f"enum class {kind} : std::uint8_t {{ " + ", ".join(names) + " };"]
    if listed:
        out += ["", "// Their names, in the same order.",
                f"inline constexpr std::string_view {kind}names[] = {{" + ", ".join(f'"{n}"' for n in names) + "};"]
    out += ["", f"}} // namespace {namespace}"]
    return out


def write(path, lines):
    """Writes the lines of a header, each ended by a line feed."""
    with open(path, "w", encoding="ascii") as f:
        f.write("\n".join(lines) + "\n")
