// Compiled into the package's assembly beside the binding's three files.
// The assembly is built against the .NET Framework 4.6.1 reference mscorlib,
// whose types netstandard2.0 forwards, and says which framework it targets.
[assembly: System.Runtime.Versioning.TargetFramework(".NETStandard,Version=v2.0", FrameworkDisplayName = "")]

namespace System.Runtime.CompilerServices
{
    // Marks the binding's readonly structs. netstandard2.0 lacks it, so the
    // assembly carries its own, as the compilers of that framework do.
    [AttributeUsage(AttributeTargets.All, Inherited = false)]
    internal sealed class IsReadOnlyAttribute : Attribute
    {
    }
}
