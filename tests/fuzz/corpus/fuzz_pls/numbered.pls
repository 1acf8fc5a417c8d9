[playlist]
NumberOfEntries=3
File1=Artist/Album/one.mp3
Title1=One
Length1=200
File3=/abs/three.ogg
File2=file:///home/u/two.flac
Version=2
