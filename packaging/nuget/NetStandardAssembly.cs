// Compiled into the package's assembly beside the binding's files. The
// assembly is built against Mono's mscorlib, whose types netstandard2.1
// forwards, and says which framework it targets.
[assembly: System.Runtime.Versioning.TargetFramework(".NETStandard,Version=v2.1", FrameworkDisplayName = "")]
